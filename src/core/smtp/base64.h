#pragma once

#include <string>
#include <string_view>

// Base64 with the RFC 2045 alphabet, "=" fill at the end and no line breaks. Used for the
// LOGIN authentication exchange and for B-encoded words in headers.
std::string base64Encode(std::string_view bytes);
