// The IMAP response reader on any bytes from a server: responses are read until the bytes end
// or a refusal, never past the caps.

#include "core/replies/imap_response.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t at = 0;
    ImapLimits limits;
    limits.maxLine = 4096;
    limits.maxLiteral = 4096;
    ImapResponseReader reader(
        [&](char* buffer, size_t room) {
            const size_t n = std::min({room, size - at, size_t{13}});
            std::copy_n(data + at, n, buffer);
            at += n;
            return n;
        },
        limits);
    try {
        for (;;) {
            const ImapResponse r = reader.next();
            for (const std::string& literal : r.literals)
                if (literal.size() > limits.maxLiteral)
                    std::abort();
            parseFetch(r);
            responseCodeNumber(r, "UIDVALIDITY");
        }
    } catch (const EImapProtocol&) {
    }
    return 0;
}
