#include "core/tables/version_info.h"

#include "core/tables/atomic_file.h"
#include "tallyminder_version.h"

#include <algorithm>
#include <cstring>

namespace {

// The block is a marker followed by the two 32-bit version words, little-endian. The marker is
// kept reversed in the reader so that the reader's own code never contains it contiguously.
constexpr char kMarkerReversed[] = "KCOLBNOISREVMT\x01";
constexpr size_t kMarkerSize = sizeof kMarkerReversed - 1;

std::string marker() {
    std::string m(kMarkerReversed, kMarkerSize);
    std::reverse(m.begin(), m.end());
    return m;
}

#define TM_STR2(x) #x
#define TM_STR(x) TM_STR2(x)
#define TM_WORD_BYTES(hi, lo)                                                                      \
    static_cast<char>((lo)&0xFF), static_cast<char>(((lo) >> 8) & 0xFF),                           \
        static_cast<char>((hi)&0xFF), static_cast<char>(((hi) >> 8) & 0xFF)

// The program's own block, kept in the program file.
[[gnu::used]] const char kOwnVersionBlock[] = {
    '\x01',
    'T',
    'M',
    'V',
    'E',
    'R',
    'S',
    'I',
    'O',
    'N',
    'B',
    'L',
    'O',
    'C',
    'K',
    TM_WORD_BYTES(TALLYMINDER_VERSION_MAJOR, TALLYMINDER_VERSION_MINOR),
    TM_WORD_BYTES(TALLYMINDER_VERSION_PATCH, TALLYMINDER_VERSION_TWEAK)};

uint32_t word(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::string& mutableVersionText() {
    static std::string text = "v.";
    return text;
}

} // namespace

std::string makeVersionBlock(int major, int minor, int release, int build) {
    std::string b = marker();
    const uint32_t ms = static_cast<uint32_t>(major) << 16 | static_cast<uint32_t>(minor & 0xFFFF);
    const uint32_t ls =
        static_cast<uint32_t>(release) << 16 | static_cast<uint32_t>(build & 0xFFFF);
    for (uint32_t w : {ms, ls})
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<char>((w >> (8 * i)) & 0xFF));
    return b;
}

TGpVersionInfo::TGpVersionInfo(const std::string& filePath, const std::string& translationKey)
    : translationKey_(translationKey) {
    (void)kOwnVersionBlock;
    if (!fileExists(filePath))
        return;
    // A file that exists but cannot be read is an error for the caller.
    const std::string bytes = readWholeFile(filePath);
    const std::string m = marker();
    const auto at = bytes.find(m);
    if (at == std::string::npos || bytes.size() - at < m.size() + 8)
        return;
    block_.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + m.size() + 8));
    blockSize_ = static_cast<uint32_t>(block_.size());
    versionMS_ = word(block_.data() + m.size());
    versionLS_ = word(block_.data() + m.size() + 4);
}

std::string TGpVersionInfo::FormatFileVersion(const std::string& pattern) const {
    if (!HasVersionBlock())
        return {};
    const uint32_t parts[4] = {versionMS_ >> 16, versionMS_ & 0xFFFF, versionLS_ >> 16,
                               versionLS_ & 0xFFFF};
    std::string out;
    size_t next = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd' && next < 4) {
            out += std::to_string(parts[next++]);
            ++i;
        } else {
            out.push_back(pattern[i]);
        }
    }
    return out;
}

const std::string& versionText() {
    return mutableVersionText();
}
void setVersionText(const std::string& text) {
    mutableVersionText() = text;
}
