// The single-byte charset on any bytes. Besides not crashing: every byte string goes to UTF-8
// and back unchanged, and UTF-8 that converts comes back as the same UTF-8.

#include "core/tables/charset.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string utf8 = utf8FromCp1252(bytes);
    const auto back = cp1252FromUtf8(utf8);
    if (!back || *back != bytes)
        std::abort();
    const auto asCp1252 = cp1252FromUtf8(bytes);
    if (asCp1252.has_value() != (cp1252FirstUnencodable(bytes) == std::string_view::npos))
        std::abort();
    if (asCp1252 && utf8FromCp1252(*asCp1252) != bytes)
        std::abort();
    return 0;
}
