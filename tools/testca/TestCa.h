#pragma once
// A throw-away certificate authority for tests: a CA certificate and a server
// certificate it signs for 127.0.0.1 and localhost, written as PEM files.
#include <string>

namespace testca {

struct TestCertificates {
    std::string ca_file;    // the CA certificate: what clients are told to trust
    std::string cert_file;  // the server certificate
    std::string key_file;   // the server's private key
};

// Writes ca.pem, server.pem and server-key.pem into `folder` (which must exist).
// Throws std::runtime_error when OpenSSL fails.
TestCertificates Generate(const std::string& folder);

}  // namespace testca
