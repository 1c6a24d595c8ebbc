#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads a program file's version block: the four-part version (major.minor.release.build) that
// the build embeds in the program file. A file without a block has no version.
class TGpVersionInfo {
public:
    TGpVersionInfo(const std::string& filePath, const std::string& translationKey);

    bool HasVersionBlock() const { return blockSize_ != 0; }
    // The pattern with each "%d" replaced by the next component (major, minor, release, build);
    // empty when the file has no version block.
    std::string FormatFileVersion(const std::string& pattern) const;

    uint32_t FileVersionMS() const { return versionMS_; }
    uint32_t FileVersionLS() const { return versionLS_; }
    const std::string& TranslationKey() const { return translationKey_; }

private:
    std::vector<unsigned char> block_;
    uint32_t blockSize_ = 0;
    uint32_t versionMS_ = 0;
    uint32_t versionLS_ = 0;
    std::string translationKey_;
};

// "v." followed by the program's version; written once at start-up.
const std::string& versionText();
void setVersionText(const std::string& text);

// The bytes of a version block for the given version, as the build embeds it (used to make
// program files with a known version).
std::string makeVersionBlock(int major, int minor, int release, int build);
