#include "tests/serve/SelfSignedCertificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace ovardx::testing {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertificateFree {
    void operator()(X509* certificate) const { X509_free(certificate); }
};
struct ExtensionFree {
    void operator()(X509_EXTENSION* extension) const { X509_EXTENSION_free(extension); }
};
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("OpenSSL: cannot ") + what);
}

std::unique_ptr<std::FILE, FileClose> Open(const std::filesystem::path& path) {
    std::unique_ptr<std::FILE, FileClose> file(std::fopen(path.c_str(), "w"));
    Check(file != nullptr, "open a PEM file");
    return file;
}

}  // namespace

void WriteSelfSignedCertificate(const std::filesystem::path& certificatePath, const std::filesystem::path& keyPath) {
    const std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_RSA_gen(2048));
    Check(key != nullptr, "make a key");
    const std::unique_ptr<X509, CertificateFree> certificate(X509_new());
    Check(certificate != nullptr, "make a certificate");
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), 1);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -60);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 24 * 60 * 60);
    X509_set_pubkey(certificate.get(), key.get());
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("localhost"), -1, -1, 0);
    X509_set_issuer_name(certificate.get(), name);
    const std::unique_ptr<X509_EXTENSION, ExtensionFree> names(
        X509V3_EXT_conf_nid(nullptr, nullptr, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1"));
    Check(names != nullptr && X509_add_ext(certificate.get(), names.get(), -1) == 1, "name the host");
    Check(X509_sign(certificate.get(), key.get(), EVP_sha256()) > 0, "sign the certificate");
    Check(PEM_write_X509(Open(certificatePath).get(), certificate.get()) == 1, "write the certificate");
    Check(PEM_write_PrivateKey(Open(keyPath).get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1,
          "write the key");
}

}  // namespace ovardx::testing
