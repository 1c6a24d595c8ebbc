// The import's line reader and line splitter on any bytes. Besides not crashing: the reader
// gives the same lines whatever size its chunks have, and no line holds a line end or a NUL.

#include "core/contacts/contact_import.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

class MemorySource : public ByteSource {
public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    size_t read(char* buffer, size_t size) override {
        const size_t n = std::min(size, bytes_.size() - at_);
        std::memcpy(buffer, bytes_.data() + at_, n);
        at_ += n;
        return n;
    }

private:
    std::string_view bytes_;
    size_t at_ = 0;
};

std::vector<std::string> lines(std::string_view bytes, size_t chunk) {
    MemorySource source(bytes);
    ImportLineReader reader(source, chunk);
    std::vector<std::string> out;
    std::string line;
    while (reader.next(line))
        out.push_back(line);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const size_t chunk = 1 + data[0] % 16;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string> plain = lines(bytes, 1 << 16);
    if (lines(bytes, chunk) != plain)
        std::abort();
    for (const std::string& line : plain) {
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            std::abort();
        const ImportedContact c = splitImportLine(line);
        if (c.group != normalGroupText(c.group))
            std::abort();
    }
    return 0;
}
