#include "core/tables/charset.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Charset, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        EXPECT_EQ(cp1252FromUnicode(cp1252ToUnicode(byte)), b) << "byte " << b;
        EXPECT_TRUE(cp1252CanEncode(cp1252ToUnicode(byte))) << "byte " << b;
        all.push_back(static_cast<char>(b));
    }
    const std::string utf8 = utf8FromCp1252(all);
    EXPECT_TRUE(cp1252CanEncodeUtf8(utf8));
    EXPECT_EQ(cp1252FromUtf8(utf8), all);
}

TEST(Charset, KnownMappings) {
    struct Case {
        unsigned char byte;
        char32_t codePoint;
        const char* utf8;
    };
    const Case cases[] = {
        {0x41, U'A', "A"},
        {0x80, 0x20AC, "\xE2\x82\xAC"}, // euro sign
        {0x81, 0x0081, "\xC2\x81"},     // undefined position: its C1 control
        {0x8D, 0x008D, "\xC2\x8D"},
        {0x8F, 0x008F, "\xC2\x8F"},
        {0x90, 0x0090, "\xC2\x90"},
        {0x9D, 0x009D, "\xC2\x9D"},
        {0x8A, 0x0160, "\xC5\xA0"},     // S caron
        {0x99, 0x2122, "\xE2\x84\xA2"}, // trade mark
        {0x9F, 0x0178, "\xC5\xB8"},     // Y diaeresis
        {0xA0, 0x00A0, "\xC2\xA0"},
        {0xE9, 0x00E9, "\xC3\xA9"}, // e acute
        {0xFF, 0x00FF, "\xC3\xBF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.byte));
        EXPECT_EQ(cp1252ToUnicode(c.byte), c.codePoint);
        EXPECT_EQ(cp1252FromUnicode(c.codePoint), c.byte);
        const std::string byteText(1, static_cast<char>(c.byte));
        EXPECT_EQ(utf8FromCp1252(byteText), c.utf8);
        EXPECT_EQ(cp1252FromUtf8(c.utf8), byteText);
    }
}

TEST(Charset, RefusesWhatItCannotCarry) {
    const char32_t refused[] = {0x4E2D, 0x1F600, 0x0100, 0x0080, 0x009F, 0x2028, 0xFFFD};
    for (const char32_t cp : refused) {
        EXPECT_FALSE(cp1252CanEncode(cp)) << std::hex << static_cast<unsigned>(cp);
        EXPECT_EQ(cp1252FromUnicode(cp), -1) << std::hex << static_cast<unsigned>(cp);
    }

    struct Case {
        std::string utf8;
        std::size_t firstBad;
    };
    const Case cases[] = {
        {"ab\xE4\xB8\xAD"
         "cd",
         2},                         // U+4E2D
        {"x\xF0\x9F\x98\x80", 1},    // emoji
        {"caf\xC3\xA9 \xC4\x80", 6}, // U+0100 after an encodable e acute
        {"ok\xC0\xAF", 2},           // overlong '/'
        {"\xED\xA0\x80", 0},         // surrogate
        {"\xE2\x82", 0},             // truncated euro sign
        {"a\x80", 1},                // stray continuation byte
        {"\xF4\x90\x80\x80", 0},     // above U+10FFFF
        {"\xFF", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(cp1252FirstUnencodable(c.utf8), c.firstBad);
        EXPECT_FALSE(cp1252CanEncodeUtf8(c.utf8));
        EXPECT_EQ(cp1252FromUtf8(c.utf8), std::nullopt);
    }
    EXPECT_EQ(cp1252FirstUnencodable("plain \xE2\x82\xAC"), std::string_view::npos);
}

TEST(Charset, LowerCase) {
    const std::pair<unsigned char, unsigned char> cases[] = {
        {'A', 'a'},   {'Z', 'z'},   {'a', 'a'},   {'1', '1'},   {'[', '['},   {0xC0, 0xE0},
        {0xC9, 0xE9}, {0xDE, 0xFE}, {0xD7, 0xD7}, {0xDF, 0xDF}, {0x8A, 0x9A}, {0x8C, 0x9C},
        {0x8E, 0x9E}, {0x9F, 0xFF}, {0x9A, 0x9A}, {0xFF, 0xFF}, {0xB5, 0xB5},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(cp1252ToLower(in), out) << static_cast<int>(in);
}

} // namespace
