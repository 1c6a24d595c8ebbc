#include "core/reminders/sms_meter.h"

#include "core/tables/charset.h"

#include <cstdio>

namespace {

// The GSM 03.38 default alphabet beyond the ASCII it shares, and its extension table.
constexpr std::u32string_view kBasicBeyondAscii = U"£¥èéùìòÇØøÅåΔΦΓΛΩΠΨΣΘΞÆæßÉ¤¡ÄÖÑÜ§¿äöñüà";
constexpr std::u32string_view kAsciiNotInBasic = U"[\\]^`{|}~\x7F";
constexpr std::u32string_view kExtension = U"\f^{}\\[~]|€";

bool inGsmBasic(char32_t c) {
    if (c < 0x80)
        return c >= 0x20 ? kAsciiNotInBasic.find(c) == std::u32string_view::npos
                         : c == '\n' || c == '\r';
    return kBasicBeyondAscii.find(c) != std::u32string_view::npos;
}

bool inGsmExtension(char32_t c) {
    return kExtension.find(c) != std::u32string_view::npos;
}

int utf16Units(char32_t c) {
    return c > 0xFFFF ? 2 : 1;
}

// Parts of a split message: each character of width w goes whole into the current part, or
// starts the next one.
template <typename Text, typename Width>
int packedParts(const Text& text, int single, int perPart, int total, Width width) {
    if (total == 0)
        return 0;
    if (total <= single)
        return 1;
    int parts = 1;
    int used = 0;
    for (char32_t c : text) {
        const int w = width(c);
        if (used + w > perPart) {
            ++parts;
            used = 0;
        }
        used += w;
    }
    return parts;
}

// The characters of a table text, as Unicode, without copying it.
struct Cp1252Chars {
    std::string_view bytes;
    struct Iterator {
        const char* p;
        char32_t operator*() const { return cp1252ToUnicode(static_cast<unsigned char>(*p)); }
        Iterator& operator++() {
            ++p;
            return *this;
        }
        bool operator!=(const Iterator& o) const { return p != o.p; }
    };
    Iterator begin() const { return {bytes.data()}; }
    Iterator end() const { return {bytes.data() + bytes.size()}; }
};

// Septets of each byte of the charset: the batch check measures every pending message.
struct ByteSeptets {
    unsigned char of[256];
    ByteSeptets() {
        for (int b = 0; b < 256; ++b)
            of[b] = static_cast<unsigned char>(
                gsmSeptets(cp1252ToUnicode(static_cast<unsigned char>(b))));
    }
};

template <typename Text> SmsMeasure measure(const Text& text) {
    SmsMeasure m;
    for (char32_t c : text) {
        const int septets = gsmSeptets(c);
        if (septets == 0) {
            m.firstNonGsm = c;
            break;
        }
        m.units += septets;
    }
    if (!m.firstNonGsm) {
        m.parts = packedParts(text, kGsmSingle, kGsmPart, m.units, gsmSeptets);
        return m;
    }
    m.encoding = SmsEncoding::Ucs2;
    m.units = 0;
    for (char32_t c : text)
        m.units += utf16Units(c);
    m.parts = packedParts(text, kUcs2Single, kUcs2Part, m.units, utf16Units);
    return m;
}

// A character the user could not see between quotes, or that has no UTF-8 form, is named by its
// code instead.
bool invisible(char32_t c) {
    return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0xAD || (c >= 0x2000 && c <= 0x200F) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0xFEFF ||
           (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF;
}

} // namespace

int gsmSeptets(char32_t c) {
    if (inGsmBasic(c))
        return 1;
    return inGsmExtension(c) ? 2 : 0;
}

SmsMeasure measureSms(std::string_view tableText) {
    static const ByteSeptets septets;
    int units = 0;
    for (char c : tableText) {
        const int w = septets.of[static_cast<unsigned char>(c)];
        if (w == 0)
            return measure(Cp1252Chars{tableText});
        units += w;
    }
    if (units > kGsmSingle) // split: where the parts end matters
        return measure(Cp1252Chars{tableText});
    SmsMeasure m;
    m.units = units;
    m.parts = units > 0 ? 1 : 0;
    return m;
}

SmsMeasure measureSms(std::u32string_view codePoints) {
    return measure(codePoints);
}

std::string smsMeterLabel(const SmsMeasure& m) {
    std::string label = std::to_string(m.parts) + " SMS";
    if (m.encoding == SmsEncoding::Ucs2 && m.firstNonGsm) {
        const char32_t c = *m.firstNonGsm;
        label += ": ";
        if (invisible(c)) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            label += code;
        } else {
            label += '\'';
            appendUtf8(label, c);
            label += '\'';
        }
        label += " needs Unicode";
    }
    return label;
}
