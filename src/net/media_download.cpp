#include "net/media_download.h"

#include <curl/curl.h>

#include <memory>

#include "net/curl_transfer.h"
#include "net/http_request.h"

namespace vidlark {
namespace {

struct Sink {
  CURL* easy;
  std::ostream* out;
  const MediaDownloadSettings* settings;
  const RunControl* control;
  std::uint64_t written = 0;
  bool cancelled = false;
};

size_t WriteBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  size_t bytes = size * count;
  // A pause holds the transfer right here, mid-body: the server's sending
  // stalls on the full connection until the job resumes.
  if (sink->control != nullptr && !sink->control->WaitWhilePaused()) {
    sink->cancelled = true;
    return 0;
  }
  long status = 0;
  curl_easy_getinfo(sink->easy, CURLINFO_RESPONSE_CODE, &status);
  // An error page is no video: stop at once instead of storing it.
  if (status < 200 || status > 299) return 0;
  sink->out->write(data, static_cast<std::streamsize>(bytes));
  if (!*sink->out) return 0;
  sink->written += bytes;
  if (sink->settings->progress) {
    MediaDownloadProgress progress;
    progress.received = sink->written;
    curl_off_t length = -1;
    curl_easy_getinfo(sink->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    if (length >= 0) progress.total = static_cast<std::uint64_t>(length);
    sink->settings->progress(progress);
  }
  return bytes;
}

}  // namespace

MediaDownloadResult DownloadMedia(const Text& url, std::ostream& sink, const MediaDownloadSettings& settings,
                                  const RunControl* control) {
  MediaDownloadResult result;
  if (url.empty()) return result;
  std::string wire = WireUrl(url);
  if (wire.empty()) return result;
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(NewEasyHandle(), &curl_easy_cleanup);
  if (!easy) return result;
  CURL* h = easy.get();

  curl_easy_setopt(h, CURLOPT_URL, wire.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
  curl_easy_setopt(h, CURLOPT_USERAGENT, "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)");
  std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(curl_slist_append(nullptr, "Accept: */*"),
                                                                      &curl_slist_free_all);
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(settings.connectLimit.count()));
  if (!settings.trustedAuthority.empty()) TrustCertificateAuthority(h, settings.trustedAuthority);

  Sink state{h, &sink, &settings, control};
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &state);

  TransferLimits limits;
  limits.stall = settings.stallLimit;
  CURLcode code = PerformTransfer(h, control, limits);

  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  result.status = static_cast<std::int32_t>(status);
  result.bytesWritten = state.written;
  sink.flush();
  if (code == CURLE_ABORTED_BY_CALLBACK || state.cancelled) {
    result.outcome = MediaDownloadOutcome::Cancelled;
  } else if (code == CURLE_OK && status >= 200 && status <= 299 && sink) {
    // libcurl itself fails a body shorter than its Content-Length or a broken chunked body.
    result.outcome = MediaDownloadOutcome::Complete;
  }
  return result;
}

}  // namespace vidlark
