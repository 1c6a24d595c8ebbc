#include "core/tables/trust_store.h"

#include <cstdlib>
#include <openssl/x509.h>

namespace {

std::string fromEnvOr(const char* variable, const char* fallback) {
    const char* value = variable ? std::getenv(variable) : nullptr;
    if (value && *value)
        return value;
    return fallback ? fallback : "";
}

} // namespace

TrustPaths defaultTrustPaths() {
    return {fromEnvOr(X509_get_default_cert_file_env(), X509_get_default_cert_file()),
            fromEnvOr(X509_get_default_cert_dir_env(), X509_get_default_cert_dir())};
}
