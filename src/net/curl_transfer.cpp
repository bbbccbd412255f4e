#include "net/curl_transfer.h"

#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <memory>
#include <mutex>

namespace vidlark {
namespace {

void InitialiseLibcurlOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The thread's shared connection cache, TLS sessions and DNS answers. Only the
// owning thread uses it, so it needs no locks.
class ThreadShare {
 public:
  ThreadShare() : share_(curl_share_init()) {
    if (share_ == nullptr) return;
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_CONNECT);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  }
  ~ThreadShare() {
    if (share_ != nullptr) curl_share_cleanup(share_);
  }
  ThreadShare(const ThreadShare&) = delete;
  ThreadShare& operator=(const ThreadShare&) = delete;
  CURLSH* get() const { return share_; }

 private:
  CURLSH* share_;
};

CURLSH* CurrentThreadShare() {
  thread_local ThreadShare share;
  return share.get();
}

CURLcode AddAuthorityToContext(CURL*, void* sslContext, void* pem) {
  const std::string& text = *static_cast<const std::string*>(pem);
  std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())), &BIO_free);
  if (!bio) return CURLE_SSL_CERTPROBLEM;
  std::unique_ptr<X509, decltype(&X509_free)> certificate(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr),
                                                          &X509_free);
  if (!certificate) return CURLE_SSL_CERTPROBLEM;
  X509_STORE* store = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(sslContext));
  X509_STORE_add_cert(store, certificate.get());
  return CURLE_OK;
}

long long TransferredBytes(CURL* easy) {
  curl_off_t down = 0;
  curl_off_t up = 0;
  long headers = 0;
  curl_easy_getinfo(easy, CURLINFO_SIZE_DOWNLOAD_T, &down);
  curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &up);
  curl_easy_getinfo(easy, CURLINFO_HEADER_SIZE, &headers);
  return static_cast<long long>(down) + static_cast<long long>(up) + headers;
}

bool Connected(CURL* easy) {
  curl_off_t connectTime = 0;
  curl_easy_getinfo(easy, CURLINFO_CONNECT_TIME_T, &connectTime);
  return connectTime > 0;
}

}  // namespace

CURL* NewEasyHandle() {
  InitialiseLibcurlOnce();
  CURL* easy = curl_easy_init();
  if (easy == nullptr) return nullptr;
  curl_easy_setopt(easy, CURLOPT_SHARE, CurrentThreadShare());
  // An empty proxy keeps libcurl from reading proxy variables of the environment.
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
  return easy;
}

bool TrustCertificateAuthority(CURL* easy, const std::string& pem) {
  // A connection verified under an extra authority must not be handed to a
  // transfer that does not trust it: keep such transfers out of the shared cache.
  curl_easy_setopt(easy, CURLOPT_SHARE, nullptr);
  if (curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &AddAuthorityToContext) != CURLE_OK) return false;
  return curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, &pem) == CURLE_OK;
}

CURLcode PerformTransfer(CURL* easy, const RunControl* control, const TransferLimits& limits) {
  std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(), &curl_multi_cleanup);
  if (!multi || curl_multi_add_handle(multi.get(), easy) != CURLM_OK) return CURLE_FAILED_INIT;

  CURLcode result = CURLE_OK;
  bool finished = false;
  bool wasConnected = false;
  long long lastBytes = -1;
  auto lastProgress = std::chrono::steady_clock::now();

  while (!finished) {
    if (control != nullptr && control->IsCancelled()) {
      result = CURLE_ABORTED_BY_CALLBACK;
      break;
    }
    bool paused = control != nullptr && control->IsPaused();

    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy) {
        result = message->data.result;
        finished = true;
      }
    }
    if (finished) break;

    auto now = std::chrono::steady_clock::now();
    long long bytes = TransferredBytes(easy);
    bool connected = Connected(easy);
    // Time spent connecting is bounded by the connect time-out, time spent paused by nobody.
    if (bytes != lastBytes || (connected && !wasConnected) || paused) {
      lastBytes = bytes;
      lastProgress = now;
    }
    wasConnected = connected;
    if (connected && now - lastProgress > limits.stall) {
      result = CURLE_OPERATION_TIMEDOUT;
      break;
    }
    curl_multi_poll(multi.get(), nullptr, 0, 100, nullptr);
  }
  curl_multi_remove_handle(multi.get(), easy);
  return result;
}

}  // namespace vidlark
