#pragma once

#include <string>

// Where the certificates trusted for a server are: OpenSSL's default verify paths with their
// environment overrides (SSL_CERT_FILE, SSL_CERT_DIR), the same store the sending side trusts.
// Debian's libcurl would otherwise use its own bundle and ignore SSL_CERT_FILE, so a server
// trusted for sending would be refused for reading.
struct TrustPaths {
    std::string caFile; // a PEM bundle; may not exist
    std::string caPath; // a hashed folder; may not exist
};

TrustPaths systemTrustPaths();
