#pragma once

// Where OpenSSL looks for the certificates the program trusts: SSL_CERT_FILE and SSL_CERT_DIR
// when set, else the system's bundle and folder. Libraries that keep their own idea of the
// trust store (Debian's libcurl ignores SSL_CERT_FILE) are handed these, so that every
// connection of the program trusts the same authorities.

#include <string>

struct TrustPaths {
    std::string caFile;
    std::string caDir;
};

TrustPaths defaultTrustPaths();
