// Certificates made at test time: a certificate authority of the tests' own and
// server certificates for 127.0.0.1 that are good, for another host, expired,
// or signed by an authority nobody trusts.
#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <string>

namespace vidlark::testing {

struct ServerCertificate {
  X509* certificate = nullptr;
  EVP_PKEY* key = nullptr;
};

class TestCertificates {
 public:
  static const TestCertificates& Get();

  // The tests' authority, as PEM text for HttpRequest::TrustCertificateAuthority.
  std::string authorityPem;
  ServerCertificate good;
  ServerCertificate otherHost;
  ServerCertificate expired;
  ServerCertificate unknownAuthority;

 private:
  TestCertificates();
};

}  // namespace vidlark::testing
