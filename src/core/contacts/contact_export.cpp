#include "core/contacts/contact_export.h"

#include "core/store/schemas.h"
#include "core/tables/mem_data.h"

std::string exportContacts(const TdxMemData& contacts, const std::vector<int>& rows) {
    const int name = contacts.FieldIndex(fields::contact);
    const int number = contacts.FieldIndex(fields::number);
    const int group = contacts.FieldIndex(fields::group);
    std::string out;
    out.reserve(rows.size() * 48);
    for (int row : rows) {
        out += contacts.CellText(row, name);
        out += '\t';
        out += contacts.CellText(row, number);
        out += '\t';
        out += contacts.CellText(row, group);
        out += "\r\n";
    }
    return out;
}
