#include "core/contacts/contact_rules.h"

#include "core/store/schemas.h"
#include "core/tables/charset.h"
#include "core/tables/mem_data.h"

std::string lowerLetters(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(cp1252ToLower(static_cast<unsigned char>(c)));
    return out;
}

std::string normalGroupText(std::string_view group) {
    return trimBlanks(lowerLetters(group));
}

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

bool shapePostedContact(TdxMemData& book) {
    TField& contact = book.FieldNamed(fields::contact);
    TField& number = book.FieldNamed(fields::number);
    TField& group = book.FieldNamed(fields::group);
    const std::string name = contact.AsString();
    if (!name.empty()) {
        const std::string capitalised = capitaliseFirst(name);
        if (capitalised != name)
            contact.SetAsString(capitalised);
    }
    const std::string g = group.AsString();
    if (!g.empty()) {
        const std::string lower = lowerLetters(g);
        if (lower != g)
            group.SetAsString(lower);
    }
    if (contact.AsString().empty() && number.AsString().empty())
        return false;
    book.FieldNamed(fields::contactKey)
        .SetAsString(concatContact(number.AsString(), group.AsString()));
    return true;
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
