#pragma once

// The paste guard shared by every grid over a record table.
//
// Public API (stable; other windows use it):
//
//   void checkPaste(TdxMemData& table, Prompter& prompter, QAbstractItemView* grid = nullptr)
//       Call it from the OnChange handler of each shown field of a table. When a field of the
//       table's current record (the edit buffer while editing) holds a Tab or a line break, which
//       is what a paste of several cells into one field leaves behind, it shows
//       kPasteShapeMessage (warning box, OK), cancels the record's pending changes and stops the
//       operation that caused the change by throwing EAbort (silent). Values read from the
//       table's own file are not pastes and are not checked.
//
//       A value with line breaks but no Tab is no misshaped paste but text from a mail or a
//       document: its breaks become blanks (lineBreaksToBlanks) and it is kept.
//
//   bool holdsPasteBreak(const std::string& text)
//       True when the text holds a Tab, CR or LF.
//
//   std::string lineBreaksToBlanks(std::string_view text)
//       The text without the breaks at its end, each other CR LF, CR or LF one blank.

#include <QString>

#include <string>
#include <string_view>

class QAbstractItemView;
class Prompter;
class TdxMemData;

inline const QString kPasteShapeMessage = QStringLiteral(
    "The information cannot be posted, because the copy area and the paste area are not the same "
    "size and shape. Select a rectangle that's the same size and shape, and then paste.");

bool holdsPasteBreak(const std::string& text);
void checkPaste(TdxMemData& table, Prompter& prompter, QAbstractItemView* grid = nullptr);

std::string lineBreaksToBlanks(std::string_view text);
