#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Settings files in the initialization-file format: section lines "[name]", each followed by its
// key lines "key=value". Used for width.ini and the dial-up settings file.
//
// Rules:
// - section and key names match without regard to letter case and without the blanks (spaces and
//   tabs) around them; a value is read without the blanks around it, and a value enclosed in a
//   pair of matching quotes (" or ') is read without them;
// - a missing key reads as the caller's default; a key present with an empty value reads as "";
// - a line whose first non-blank character is ';' is a comment; a line that is neither a section
//   line nor holds '=' is kept but is not a key; lines before the first section belong to none;
// - when a section or key appears twice, the first one counts;
// - writing replaces a key's value in place, or adds the key after the last key of its section,
//   or adds the section at the end of the file; every other line stays byte for byte;
// - lines may end in CR LF, LF or CR; new lines end in CR LF;
// - a value that would not read back as written (blanks at either end, or enclosed in matching
//   quotes) is written inside double quotes, so that it reads back exactly;
// - a name or value that would break the file's lines (CR, LF, NUL; a key name holding '=' or
//   starting with '[' or ';'; an empty name) is refused.

// A write the system refuses: "Unable to write to <path>"; a name or value that cannot be stored
// adds the reason after a colon.
class EIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text of one settings file, held for one group of reads and writes.
class IniDocument {
public:
    IniDocument() = default;
    // fileName only names the file in error messages.
    explicit IniDocument(std::string_view bytes, std::string fileName = {});

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // Decimal with an optional sign, or hexadecimal after "0x"; anything else, and a number
    // outside the range of int, reads as the default.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // The key names of the section in file order (each once, as first spelt in the file).
    std::vector<std::string> ReadSectionKeys(std::string_view section) const;
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    // Throw EIniFileError when the name or value cannot be stored.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);

    std::string bytes() const;
    // True once a write has been made.
    bool modified() const { return modified_; }

private:
    struct Line {
        std::string text;
        std::string end; // "\r\n", "\n", "\r" or "" for a last line without one
    };

    std::size_t findSection(std::string_view section) const;
    std::size_t sectionEnd(std::size_t header) const;
    std::size_t findKey(std::size_t header, std::string_view key) const;
    [[noreturn]] void refuse(const std::string& reason) const;

    std::vector<Line> lines_;
    std::string fileName_;
    bool modified_ = false;
};

// The settings-file object. Nothing is held between calls: every read opens the file, reads and
// closes it, and every write reads the file, changes it and writes it back whole (atomically).
// A missing or unreadable file reads as empty. Use Load for a group of reads and Update for a
// group of writes that should go through one open-work-close.
class TIniFile {
public:
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    std::vector<std::string> ReadSectionKeys(std::string_view section) const;
    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);

    // The file's current text, for a group of reads.
    IniDocument Load() const;

    // Reads the file, runs work on its text and writes the result back once, when work wrote
    // something that changed it (or the file did not exist yet). When work throws, the file is
    // left as it was. Throws EIniFileError("Unable to write to <path>") when the file exists but
    // cannot be read, or cannot be written.
    void Update(const std::function<void(IniDocument&)>& work);

private:
    std::string fileName_;
};
