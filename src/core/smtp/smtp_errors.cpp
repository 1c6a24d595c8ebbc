#include "core/smtp/smtp_errors.h"

#include <cstring>

EIdSocketError socketErrorFor(int err) {
    char buf[256];
    // GNU strerror_r returns the text, which may or may not live in buf.
    const char* text = strerror_r(err, buf, sizeof buf);
    return EIdSocketError(text ? std::string(text) : "Socket error " + std::to_string(err), err);
}
