#pragma once

// A throwaway certificate authority for the TLS tests, made at test time with OpenSSL: its
// certificate, and server certificates it signs, written as PEM files into a temporary folder
// that the destructor removes. Nothing of it is trusted anywhere but where a test points a
// client at caFile().

#include "support/temp_folder.h"

#include <cstdio>
#include <filesystem>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace testpki {

namespace fs = std::filesystem;

// Key and certificate files of one server.
struct ServerCert {
    std::string certFile;
    std::string keyFile;
};

class TestPki {
public:
    // The files go to a fresh folder inside parent, removed with the authority.
    explicit TestPki(const std::string& parent = "/tmp") : folder_(parent) {
        caKey_ = EVP_EC_gen("P-256");
        caCert_ = makeCert(caKey_, "Tallyminder Test CA", nullptr, nullptr, -3600, 86400,
                           {"basicConstraints=critical,CA:TRUE",
                            "keyUsage=critical,keyCertSign,cRLSign", "subjectKeyIdentifier=hash"});
        caFile_ = (dir_ / "ca.pem").string();
        writeCert(caCert_, caFile_);
    }

    ~TestPki() {
        X509_free(caCert_);
        EVP_PKEY_free(caKey_);
    }

    TestPki(const TestPki&) = delete;
    TestPki& operator=(const TestPki&) = delete;

    // The authority's certificate, for the client's trust.
    const std::string& caFile() const { return caFile_; }

    // A server certificate signed by the authority. altNames is the subjectAltName value
    // ("DNS:localhost,IP:127.0.0.1"); an expired certificate ran out a day ago.
    ServerCert issue(const std::string& altNames = "DNS:localhost,IP:127.0.0.1",
                     bool expired = false) {
        EVP_PKEY* key = EVP_EC_gen("P-256");
        const long from = expired ? -3 * 86400 : -3600;
        const long to = expired ? -86400 : 86400;
        X509* cert = makeCert(key, "Tallyminder Test Server", caCert_, caKey_, from, to,
                              {"basicConstraints=critical,CA:FALSE",
                               "keyUsage=critical,digitalSignature", "extendedKeyUsage=serverAuth",
                               "subjectAltName=" + altNames, "authorityKeyIdentifier=keyid"});
        const std::string stem = (dir_ / ("server" + std::to_string(++issued_))).string();
        ServerCert files{stem + ".pem", stem + ".key"};
        writeCert(cert, files.certFile);
        FILE* f = std::fopen(files.keyFile.c_str(), "w");
        const bool ok = f && PEM_write_PrivateKey(f, key, nullptr, nullptr, 0, nullptr, nullptr);
        if (f)
            std::fclose(f);
        X509_free(cert);
        EVP_PKEY_free(key);
        if (!ok)
            throw std::runtime_error("cannot write " + files.keyFile);
        return files;
    }

    const fs::path& dir() const { return dir_; }

private:
    static X509* makeCert(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey,
                          long fromSeconds, long toSeconds,
                          std::initializer_list<std::string> extensions) {
        static long serial = 1;
        X509* cert = X509_new();
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), ++serial);
        X509_gmtime_adj(X509_getm_notBefore(cert), fromSeconds);
        X509_gmtime_adj(X509_getm_notAfter(cert), toSeconds);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
        X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
        X509V3_CTX ctx;
        X509V3_set_ctx_nodb(&ctx);
        X509V3_set_ctx(&ctx, issuer ? issuer : cert, cert, nullptr, nullptr, 0);
        for (const std::string& text : extensions) {
            const size_t eq = text.find('=');
            X509_EXTENSION* ext = X509V3_EXT_nconf(nullptr, &ctx, text.substr(0, eq).c_str(),
                                                   text.substr(eq + 1).c_str());
            if (!ext)
                throw std::runtime_error("bad certificate extension " + text);
            X509_add_ext(cert, ext, -1);
            X509_EXTENSION_free(ext);
        }
        if (!X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256()))
            throw std::runtime_error("cannot sign a test certificate");
        return cert;
    }

    static void writeCert(X509* cert, const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "w");
        const bool ok = f && PEM_write_X509(f, cert);
        if (f)
            std::fclose(f);
        if (!ok)
            throw std::runtime_error("cannot write " + path);
    }

    TempFolder folder_;
    fs::path dir_{folder_.path()};
    EVP_PKEY* caKey_ = nullptr;
    X509* caCert_ = nullptr;
    std::string caFile_;
    int issued_ = 0;
};

} // namespace testpki
