// Address lists and header lines on any text. Besides not crashing: a header line, however long,
// only ever breaks as CR LF followed by a blank, so no text can start a header of its own.

#include "core/smtp/header_form.h"
#include "core/smtp/message.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TIdEMailAddressList list;
    list.SetEMailAddresses(text);
    addressListForm(list, "ISO-8859-1");
    addressListForm(list, "ISO-2022-JP");
    if (text.find_first_of("\r\n") != std::string_view::npos)
        return 0; // values with line ends are refused before any header is written
    const std::string line = headerLine("Subject", text);
    for (size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n", at + 2))
        if (at + 2 >= line.size() || line[at + 2] != ' ')
            std::abort();
    return 0;
}
