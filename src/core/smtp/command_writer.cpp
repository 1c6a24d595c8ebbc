#include "core/smtp/command_writer.h"

#include "core/smtp/smtp_errors.h"

#include <string>

void refuseLineBreaks(std::string_view value, std::string_view what) {
    if (value.find_first_of("\r\n") == std::string_view::npos)
        return;
    std::string shown;
    for (char c : value) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else
            shown += c;
    }
    throw EIdLineBreakInValue("The message was not sent: " + std::string(what) +
                              " contains a line break (\"" + shown + "\").");
}

void CommandWriter::write(std::string_view command, std::string_view what) {
    refuseLineBreaks(command, what);
    std::string line;
    line.reserve(command.size() + 2);
    line.append(command);
    line.append("\r\n");
    connection_.write(line);
}
