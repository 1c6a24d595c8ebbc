#include "core/tables/value_breaks.h"

#include <algorithm>

namespace {

std::string nameOf(char c) {
    if (c == '\t')
        return "a TAB";
    if (c == '\r' || c == '\n')
        return "a line break";
    return std::string("a ") + c;
}

} // namespace

std::string breakInValue(std::string_view value, char delimiter) {
    for (char c : value)
        if (c == delimiter || c == '\t' || c == '\r' || c == '\n')
            return nameOf(c);
    return {};
}

std::string strayBreakInText(std::string_view text, char delimiter) {
    return StrayBreakFinder(delimiter).look(text);
}

std::string StrayBreakFinder::look(std::string_view text) {
    if (delimiter_ == '\t')
        return {};
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\t')
            return "Line " + std::to_string(line_) + ": a value holds a TAB";
        if (c != '\r' && c != '\n')
            continue;
        if (lineEnd_.empty()) // the line end of the first line is the file's
            lineEnd_ = text.compare(i, 2, "\r\n") == 0 ? "\r\n" : std::string(1, c);
        if (text.compare(i, lineEnd_.size(), lineEnd_) != 0)
            return "Line " + std::to_string(line_) + ": a value holds a line break";
        i += lineEnd_.size() - 1;
        ++line_;
    }
    return {};
}
