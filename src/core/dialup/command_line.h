#pragma once

#include <string>
#include <string_view>
#include <vector>

// A command line as the user types it for a program to start after connecting: the program,
// then its parameters.

struct CommandParts {
    std::string program;
    std::string parameters;
};

// A command that starts with a double quote names the program up to the next double quote (to
// the end when there is none) and has the text after that quote as parameters. Otherwise the
// program ends before the first of the characters that cannot occur in a file name on the
// system the commands were first written for: " * / < > ? | (a blank is not one of them, so a
// program path may hold blanks); the parameters start with that character. Both parts are
// trimmed of surrounding blanks.
CommandParts splitCommand(std::string_view command);

// The parameters as separate words, split the way a POSIX shell splits words: blanks separate,
// single quotes keep everything literally, double quotes keep everything but a backslash before
// " \ $ or `, and a backslash outside quotes keeps the next character. Nothing is expanded,
// substituted or redirected; there is no shell.
std::vector<std::string> splitParameterWords(std::string_view parameters);
