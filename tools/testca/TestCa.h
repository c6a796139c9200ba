#pragma once
// A throw-away certificate authority for tests: a CA certificate and a server
// certificate it signs for 127.0.0.1 and localhost, as PEM text or files.
#include <string>

namespace testca {

struct TestCertificates {
    std::string ca_file;    // the CA certificate: what clients are told to trust
    std::string cert_file;  // the server certificate
    std::string key_file;   // the server's private key
};

// The same three as PEM text, for servers that load them from memory.
struct PemCertificates {
    std::string ca_pem;
    std::string cert_pem;
    std::string key_pem;
};

// Throws std::runtime_error when OpenSSL fails.
PemCertificates GeneratePem();

// Writes ca.pem, server.pem and server-key.pem into `folder` (which must exist).
// Throws std::runtime_error when OpenSSL fails.
TestCertificates Generate(const std::string& folder);

}  // namespace testca
