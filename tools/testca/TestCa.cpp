#include "TestCa.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace testca {
namespace {

using Key = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Certificate = std::unique_ptr<X509, decltype(&X509_free)>;

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("test CA: ") + what);
}

Key NewKey() {
    Key key(EVP_EC_gen("P-256"), &EVP_PKEY_free);
    Check(key != nullptr, "key generation");
    return key;
}

void AddExtension(X509* certificate, X509* issuer, int nid, const char* value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, certificate, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    Check(extension != nullptr, "extension");
    X509_add_ext(certificate, extension, -1);
    X509_EXTENSION_free(extension);
}

Certificate NewCertificate(EVP_PKEY* key, const char* common_name, long serial) {
    Certificate certificate(X509_new(), &X509_free);
    Check(certificate != nullptr, "certificate");
    X509_set_version(certificate.get(), 2);
    ASN1_INTEGER_set(X509_get_serialNumber(certificate.get()), serial);
    X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 7L * 24 * 3600);
    X509_set_pubkey(certificate.get(), key);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(common_name), -1, -1, 0);
    return certificate;
}

std::string ToPem(X509* certificate, EVP_PKEY* key) {
    std::unique_ptr<BIO, decltype(&BIO_free)> bio(BIO_new(BIO_s_mem()), &BIO_free);
    Check(bio != nullptr, "PEM output");
    bool ok = certificate ? PEM_write_bio_X509(bio.get(), certificate) == 1
                          : PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    Check(ok, "PEM output");
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(size));
}

void WriteFile(const std::string& path, const std::string& text) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    Check(file != nullptr, "cannot write file");
    Check(std::fwrite(text.data(), 1, text.size(), file.get()) == text.size(), "cannot write file");
}

}  // namespace

PemCertificates GeneratePem() {
    Key ca_key = NewKey();
    Certificate ca = NewCertificate(ca_key.get(), "Quorvane Test CA", 1);
    X509_set_issuer_name(ca.get(), X509_get_subject_name(ca.get()));
    AddExtension(ca.get(), ca.get(), NID_basic_constraints, "critical,CA:TRUE");
    AddExtension(ca.get(), ca.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
    AddExtension(ca.get(), ca.get(), NID_subject_key_identifier, "hash");
    Check(X509_sign(ca.get(), ca_key.get(), EVP_sha256()) > 0, "CA signature");

    Key server_key = NewKey();
    Certificate server = NewCertificate(server_key.get(), "127.0.0.1", 2);
    X509_set_issuer_name(server.get(), X509_get_subject_name(ca.get()));
    AddExtension(server.get(), ca.get(), NID_basic_constraints, "critical,CA:FALSE");
    AddExtension(server.get(), ca.get(), NID_key_usage, "critical,digitalSignature,keyAgreement");
    AddExtension(server.get(), ca.get(), NID_ext_key_usage, "serverAuth");
    AddExtension(server.get(), ca.get(), NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    AddExtension(server.get(), ca.get(), NID_authority_key_identifier, "keyid:always");
    Check(X509_sign(server.get(), ca_key.get(), EVP_sha256()) > 0, "server signature");

    return {ToPem(ca.get(), nullptr), ToPem(server.get(), nullptr), ToPem(nullptr, server_key.get())};
}

TestCertificates Generate(const std::string& folder) {
    const PemCertificates pem = GeneratePem();
    TestCertificates files{folder + "/ca.pem", folder + "/server.pem", folder + "/server-key.pem"};
    WriteFile(files.ca_file, pem.ca_pem);
    WriteFile(files.cert_file, pem.cert_pem);
    WriteFile(files.key_file, pem.key_pem);
    return files;
}

}  // namespace testca
