#include "ui/widgets/paste_guard.h"

#include "ui/prompter.h"
#include "core/tables/errors.h"
#include "core/tables/mem_data.h"

#include <QAbstractItemView>

bool holdsPasteBreak(const std::string& text) {
    // A plain loop: find_first_of looks each character up in the set with a call of its own.
    for (const char c : text)
        if (c == '\t' || c == '\r' || c == '\n')
            return true;
    return false;
}

void checkPaste(TdxMemData& table, Prompter& prompter, QAbstractItemView* grid) {
    if (table.Loading())
        return;
    for (int f = 1; f < table.FieldCount(); ++f) {
        TField& field = table.Field(f);
        if (field.Kind() != FieldKind::String)
            continue; // other kinds cannot hold a Tab
        if (!holdsPasteBreak(field.AsString()))
            continue;
        prompter.warning(kPasteShapeMessage);
        table.Cancel();
        if (grid)
            grid->viewport()->update();
        throw EAbort();
    }
}
