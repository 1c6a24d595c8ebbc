#include "core/contacts/contact_rules.h"

#include "core/tables/mem_data.h"
#include "core/store/schemas.h"

#include "core/tables/charset.h"

namespace {

bool isBlank(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte <= ' ' || byte == 0xA0;
}

} // namespace

std::string lowerLetters(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(cp1252ToLower(static_cast<unsigned char>(c)));
    return out;
}

std::string trimBlanks(std::string_view text) {
    size_t from = 0;
    size_t to = text.size();
    while (from < to && isBlank(text[from]))
        ++from;
    while (to > from && isBlank(text[to - 1]))
        --to;
    return std::string(text.substr(from, to - from));
}

std::string normalGroupText(std::string_view group) { return trimBlanks(lowerLetters(group)); }

std::string contactGroupText(std::string_view group) {
    const std::string normal = normalGroupText(group);
    return trimBlanks(std::string_view(normal).substr(0, kContactGroupSize));
}

std::string concatContact(std::string_view number, std::string_view group) {
    return std::string(number) + normalGroupText(group);
}

std::string capitaliseFirst(std::string_view text) {
    std::string out(text);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z')
        out[0] = static_cast<char>(out[0] - ('a' - 'A'));
    return out;
}

int findContactKey(const TdxMemData& book, std::string_view key) {
    const int field = book.FieldIndex(fields::contactKey);
    if (field < 0)
        return -1;
    const std::string wanted = lowerLetters(key);
    for (int row = 0; row < book.RowCount(); ++row) {
        const std::string have = book.CellText(row, field);
        if (have.size() == wanted.size() && lowerLetters(have) == wanted)
            return row;
    }
    return -1;
}
