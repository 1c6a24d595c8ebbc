#include "core/dialup/command_line.h"

#include "core/base/blanks.h"

namespace {

std::string part(std::string_view s) {
    return std::string(trimmed(s, blanks::spaceOrTab));
}

} // namespace

CommandParts splitCommand(std::string_view command) {
    if (!command.empty() && command.front() == '"') {
        const std::string_view rest = command.substr(1);
        const size_t close = rest.find('"');
        if (close == std::string_view::npos)
            return {part(rest), {}};
        return {part(rest.substr(0, close)), part(rest.substr(close + 1))};
    }
    const size_t split = command.find_first_of("\"*/<>?|");
    if (split == std::string_view::npos)
        return {part(command), {}};
    return {part(command.substr(0, split)), part(command.substr(split))};
}

std::vector<std::string> splitParameterWords(std::string_view parameters) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < parameters.size(); ++i) {
        const char c = parameters[i];
        if (blanks::spaceOrTab(c) || c == '\n') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            const size_t close = parameters.find('\'', i + 1);
            const size_t end = close == std::string_view::npos ? parameters.size() : close;
            word.append(parameters.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '"') {
            for (++i; i < parameters.size() && parameters[i] != '"'; ++i) {
                if (parameters[i] == '\\' && i + 1 < parameters.size() &&
                    std::string_view("\"\\$`").find(parameters[i + 1]) != std::string_view::npos)
                    ++i;
                word.push_back(parameters[i]);
            }
        } else if (c == '\\' && i + 1 < parameters.size()) {
            word.push_back(parameters[++i]);
        } else {
            word.push_back(c);
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}
