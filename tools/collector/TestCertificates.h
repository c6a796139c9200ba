#pragma once
// A throw-away certificate authority and a server certificate for 127.0.0.1
// and localhost, made in memory so HTTPS tests need no files checked in.
#include <string>

namespace collector {

struct TestCertificates {
    std::string caCertificatePem;      // what a client must trust
    std::string serverCertificatePem;  // signed by the authority above
    std::string serverKeyPem;
};

// Throws std::runtime_error when OpenSSL cannot make them.
TestCertificates MakeTestCertificates();

}  // namespace collector
