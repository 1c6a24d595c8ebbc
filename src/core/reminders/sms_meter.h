#pragma once

// What a message costs as SMS. A message goes out in the GSM 7-bit alphabet when every character
// is in it (160 septets in one SMS, 153 in each part of a split one, the extension characters
// such as "€" and "[" taking two) and as UCS-2 otherwise (70 UTF-16 units in one SMS, 67 in each
// part). A part never ends inside a two-septet character or a surrogate pair, so such a character
// at a part's end moves whole to the next part.
//
//   measureSms(tableText)       the measure of a message in the program's single-byte charset
//   measureSms(codePoints)      the same for Unicode text
//   smsMeterLabel(measure)      the label beside a message box, UTF-8: "1 SMS", "2 SMS",
//                               "2 SMS: 'â' needs Unicode"
//   gsmSeptets(c)               septets of one character: 1, 2 (extension table) or 0 (not GSM)

#include <optional>
#include <string>
#include <string_view>

enum class SmsEncoding { Gsm7, Ucs2 };

struct SmsMeasure {
    int parts = 0; // 0 for the empty message
    SmsEncoding encoding = SmsEncoding::Gsm7;
    int units = 0; // septets (GSM 7-bit) or UTF-16 code units (UCS-2)
    std::optional<char32_t> firstNonGsm;
};

inline constexpr int kGsmSingle = 160;
inline constexpr int kGsmPart = 153;
inline constexpr int kUcs2Single = 70;
inline constexpr int kUcs2Part = 67;

int gsmSeptets(char32_t c);
SmsMeasure measureSms(std::string_view tableText);
SmsMeasure measureSms(std::u32string_view codePoints);
std::string smsMeterLabel(const SmsMeasure& measure);
