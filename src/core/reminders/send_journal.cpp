#include "core/reminders/send_journal.h"

#include "core/tables/atomic_file.h"
#include "core/tables/errors.h"
#include "core/tables/field.h"

#include <charconv>
#include <openssl/evp.h>
#include <stdexcept>

std::string sha256Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest, &size, EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("SHA-256 is not available");
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    for (unsigned int i = 0; i < size; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 0xf];
    }
    return out;
}

void writeSendJournal(const std::string& path, const SendJournal& j) {
    std::string started;
    fieldtext::appendFloat(started, j.started, '.');
    writeFileAtomically(path, "batch\t" + j.batch + "\r\nhash\t" + j.fileHash + "\r\nreminders\t" +
                                  std::to_string(j.reminders) + "\r\nstarted\t" + started + "\r\n");
}

std::optional<SendJournal> readSendJournal(const std::string& path) {
    if (!fileExists(path))
        return std::nullopt;
    const std::string text = readWholeFile(path);
    SendJournal j;
    bool batch = false, hash = false, count = false, started = false;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos)
            end = text.size();
        std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            continue;
        const std::string_view name = line.substr(0, tab), value = line.substr(tab + 1);
        if (name == "batch") {
            j.batch = value;
            batch = !value.empty();
        } else if (name == "hash") {
            j.fileHash = value;
            hash = true;
        } else if (name == "reminders") {
            count = std::from_chars(value.data(), value.data() + value.size(), j.reminders).ec ==
                    std::errc{};
        } else if (name == "started") {
            // Written with "." whatever the locale, and read back the same way.
            const auto r = std::from_chars(value.data(), value.data() + value.size(), j.started);
            started = r.ec == std::errc{} && r.ptr == value.data() + value.size();
        }
    }
    if (!batch || !hash || !count || !started)
        return std::nullopt;
    return j;
}

void clearSendJournal(const std::string& path) {
    removeFile(path);
}
