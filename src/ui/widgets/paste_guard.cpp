#include "ui/widgets/paste_guard.h"

#include "core/tables/errors.h"
#include "core/tables/mem_data.h"
#include "ui/prompter.h"

#include <QAbstractItemView>

bool holdsPasteBreak(const std::string& text) {
    // A plain loop: find_first_of looks each character up in the set with a call of its own.
    for (const char c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            return true;
    return false;
}

std::string lineBreaksToBlanks(std::string_view text) {
    // Breaks at the end (a copied line ends with one) go; each break inside (CR LF, CR or LF)
    // becomes one blank.
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue; // the LF that follows makes the blank
        out += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return out;
}

void checkPaste(TdxMemData& table, Prompter& prompter, QAbstractItemView* grid) {
    if (table.Loading())
        return;
    for (int f = 1; f < table.FieldCount(); ++f) {
        TField& field = table.Field(f);
        if (field.Kind() != FieldKind::String)
            continue; // other kinds cannot hold a Tab
        const std::string value = field.AsString();
        if (!holdsPasteBreak(value))
            continue;
        // Text from a mail or a document: its lines run on, as one line of the message.
        if (value.find('\t') == std::string::npos) {
            field.SetAsString(lineBreaksToBlanks(value));
            continue;
        }
        prompter.warning(kPasteShapeMessage);
        table.Cancel();
        if (grid)
            grid->viewport()->update();
        throw EAbort();
    }
}
