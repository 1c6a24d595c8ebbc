// A gateway's e-mail on any bytes: taken apart, read by every form, sorted and made a table
// line. Besides not crashing: the table line never holds a byte that would break the file.

#include "core/replies/reply_check.h"
#include "core/replies/reply_kind.h"
#include "core/replies/reply_message.h"
#include "core/replies/reply_reading.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static const ReplyWords words = ReplyWords::of(InboxSettings{});
    static const ReplyReader readers[] = {
        ReplyReader(ReplyForm::FromLocalPart, ""), ReplyReader(ReplyForm::Subject, ""),
        ReplyReader(ReplyForm::Body, ""),
        ReplyReader(ReplyForm::Pattern, "(?<number>\\+?\\d{7,})[^\\n]*\\n(?<text>.*)")};
    const ReplyMessage message = parseReplyMessage(bytes);
    senderAddress(bytes);
    for (const ReplyReader& reader : readers) {
        const ReadReply read = reader.read(message);
        classifyReply(read.text, read.status, words);
        const std::string line = tableLine(read.text, 480);
        if (line.size() > 480 ||
            line.find_first_of(std::string("\t\r\n\0", 4)) != std::string::npos)
            std::abort();
    }
    return 0;
}
