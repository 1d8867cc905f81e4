#pragma once

#include <filesystem>

#include "server_process.h"

namespace nolvetta::testsupport {

// Certificates made for one test: a certificate authority of its own and,
// signed by it, a server certificate for "localhost" and 127.0.0.1, as PEM
// files in a temporary folder. Nothing trusts them but a client pointed at
// caFile(); another TestCertificates has another authority, so its caFile()
// makes a client that must refuse this server's certificate.
class TestCertificates {
public:
    TestCertificates() {
        const std::string output = (folder_ / "openssl.out").string();
        const std::string caKey = (folder_ / "ca-key.pem").string();
        // Elliptic-curve keys: made in milliseconds, where RSA takes a while.
        const std::vector<std::string> newKey = {
            "openssl", "req",   "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256",
            "-nodes",  "-days", "3650"};
        std::vector<std::string> authority = newKey;
        authority.insert(authority.end(),
                         {"-keyout", caKey, "-out", caFile().string(), "-subj",
                          "/CN=Nolvetta test authority " + folder_.path().filename().string(),
                          "-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                          "keyUsage=critical,keyCertSign,cRLSign"});
        runProgram(authority, output);
        std::vector<std::string> server = newKey;
        server.insert(
            server.end(),
            {"-keyout", keyFile().string(), "-out", certFile().string(), "-CA", caFile().string(),
             "-CAkey", caKey, "-subj", "/CN=localhost", "-addext",
             "basicConstraints=critical,CA:FALSE", "-addext",
             "subjectAltName=DNS:localhost,IP:127.0.0.1", "-addext",
             "keyUsage=critical,digitalSignature", "-addext", "extendedKeyUsage=serverAuth"});
        runProgram(server, output);
    }

    std::filesystem::path caFile() const { return folder_ / "ca.pem"; }
    std::filesystem::path certFile() const { return folder_ / "cert.pem"; }
    std::filesystem::path keyFile() const { return folder_ / "key.pem"; }

private:
    TemporaryFolder folder_{"nolvetta-tls"};
};

}  // namespace nolvetta::testsupport
