#include "TestCertificates.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace collector {

namespace {

using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertPtr = std::unique_ptr<X509, decltype(&X509_free)>;

void Require(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("test certificates: ") + what);
}

KeyPtr NewKey() {
    KeyPtr key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    Require(key != nullptr, "key generation");
    return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Require(extension != nullptr, "extension");
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

CertPtr NewCertificate(EVP_PKEY* key, const char* commonName, long serial) {
    CertPtr cert(X509_new(), &X509_free);
    Require(cert != nullptr, "certificate");
    X509_set_version(cert.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(cert.get()), 7L * 24 * 3600);
    X509_set_pubkey(cert.get(), key);
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    return cert;
}

std::string ToPem(X509* cert) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    Require(PEM_write_bio_X509(bio.get(), cert) == 1, "certificate output");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

std::string ToPem(EVP_PKEY* key) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    Require(PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1, "key output");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

}  // namespace

TestCertificates MakeTestCertificates() {
    KeyPtr caKey = NewKey();
    CertPtr ca = NewCertificate(caKey.get(), "Quorvane Test Authority", 1);
    X509_set_issuer_name(ca.get(), X509_get_subject_name(ca.get()));
    AddExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
    Require(X509_sign(ca.get(), caKey.get(), EVP_sha256()) > 0, "authority signature");

    KeyPtr serverKey = NewKey();
    CertPtr server = NewCertificate(serverKey.get(), "127.0.0.1", 2);
    X509_set_issuer_name(server.get(), X509_get_subject_name(ca.get()));
    AddExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth");
    AddExtension(server.get(), ca.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    AddExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid:always");
    Require(X509_sign(server.get(), caKey.get(), EVP_sha256()) > 0, "server signature");

    return {ToPem(ca.get()), ToPem(server.get()), ToPem(serverKey.get())};
}

}  // namespace collector
