#pragma once

// What may not stand inside a value of a table file: its separator, and CR or LF, which end a
// row. A value holding one would split into other values or rows when the file is read, and a
// TAB read as text from the "^"-separated pending file would split the rows of every
// TAB-separated file it is copied into.

#include <string>
#include <string_view>

// The first character of value that a file separated by delimiter cannot hold as text (its
// separator, a TAB, which the pending file's reader refuses and every other file splits at, CR
// or LF), named for a message ("a TAB", "a line break", "a ^"); empty when there is none.
std::string breakInValue(std::string_view value, char delimiter);

// For a file whose separator is not TAB: where its text holds a TAB, or a line end other than
// the one its first line ends with (the program writes CR LF; a file saved with LF alone
// throughout is read as ever). The message names the line ("Line 4: a value holds a TAB");
// empty when there is none.
std::string strayBreakInText(std::string_view text, char delimiter);

// The same over a text given as whole lines, piece after piece.
class StrayBreakFinder {
public:
    explicit StrayBreakFinder(char delimiter) : delimiter_(delimiter) {}
    std::string look(std::string_view lines);

private:
    char delimiter_;
    std::string lineEnd_; // the first line's, once seen
    int line_ = 1;
};
