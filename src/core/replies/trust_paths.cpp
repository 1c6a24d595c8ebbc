#include "core/replies/trust_paths.h"

#include <cstdlib>

#include <openssl/x509.h>

namespace {

std::string fromEnvironmentOr(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && *value)
        return value;
    return fallback ? fallback : "";
}

} // namespace

TrustPaths systemTrustPaths() {
    return {fromEnvironmentOr(X509_get_default_cert_file_env(), X509_get_default_cert_file()),
            fromEnvironmentOr(X509_get_default_cert_dir_env(), X509_get_default_cert_dir())};
}
