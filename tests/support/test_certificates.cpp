#include "support/test_certificates.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace vidlark::testing {
namespace {

constexpr long kDay = 24 * 3600;

EVP_PKEY* NewKey() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  if (key == nullptr) throw std::runtime_error("key generation failed");
  return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
  if (extension == nullptr) throw std::runtime_error("bad extension");
  X509_add_ext(certificate, extension, -1);
  X509_EXTENSION_free(extension);
}

X509* NewCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey, long notBefore,
                     long notAfter, const char* subjectAltName, bool isAuthority) {
  static long serial = 1;
  X509* certificate = X509_new();
  X509_set_version(certificate, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(certificate), serial++);
  X509_gmtime_adj(X509_getm_notBefore(certificate), notBefore);
  X509_gmtime_adj(X509_getm_notAfter(certificate), notAfter);
  X509_set_pubkey(certificate, key);
  X509_NAME* name = X509_get_subject_name(certificate);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
  X509* signer = issuer != nullptr ? issuer : certificate;
  X509_set_issuer_name(certificate, X509_get_subject_name(signer));
  if (isAuthority) {
    AddExtension(certificate, signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(certificate, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    AddExtension(certificate, signer, NID_basic_constraints, "CA:FALSE");
    AddExtension(certificate, signer, NID_subject_alt_name, subjectAltName);
  }
  AddExtension(certificate, signer, NID_subject_key_identifier, "hash");
  X509_sign(certificate, issuerKey != nullptr ? issuerKey : key, EVP_sha256());
  return certificate;
}

std::string ToPem(X509* certificate) {
  BIO* bio = BIO_new(BIO_s_mem());
  PEM_write_bio_X509(bio, certificate);
  char* data = nullptr;
  long size = BIO_get_mem_data(bio, &data);
  std::string pem(data, static_cast<size_t>(size));
  BIO_free(bio);
  return pem;
}

}  // namespace

const TestCertificates& TestCertificates::Get() {
  static const TestCertificates certificates;
  return certificates;
}

TestCertificates::TestCertificates() {
  EVP_PKEY* authorityKey = NewKey();
  X509* authority =
      NewCertificate(authorityKey, "Vidlark Test Authority", nullptr, nullptr, -kDay, 30 * kDay, nullptr, true);
  authorityPem = ToPem(authority);

  auto issue = [&](const char* altName, long notBefore, long notAfter, X509* issuer, EVP_PKEY* issuerKey) {
    ServerCertificate server;
    server.key = NewKey();
    server.certificate =
        NewCertificate(server.key, "127.0.0.1", issuer, issuerKey, notBefore, notAfter, altName, false);
    return server;
  };
  good = issue("IP:127.0.0.1,DNS:localhost", -kDay, 30 * kDay, authority, authorityKey);
  otherHost = issue("DNS:other.example", -kDay, 30 * kDay, authority, authorityKey);
  expired = issue("IP:127.0.0.1,DNS:localhost", -10 * kDay, -2 * kDay, authority, authorityKey);

  EVP_PKEY* strangerKey = NewKey();
  X509* stranger = NewCertificate(strangerKey, "Unknown Authority", nullptr, nullptr, -kDay, 30 * kDay, nullptr, true);
  unknownAuthority = issue("IP:127.0.0.1,DNS:localhost", -kDay, 30 * kDay, stranger, strangerKey);
}

}  // namespace vidlark::testing
