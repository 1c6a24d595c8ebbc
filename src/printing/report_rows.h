#pragma once

// The row tables of the "selected" prints: scratch record tables that belong to one report and
// are never stored in a file.

#include "core/tables/mem_data.h"
#include "ui/print_request.h"

#include <memory>
#include <vector>

namespace printing {

// An empty row table for the list's "selected" print, with its own order (messages by text,
// sent items newest first, the others as copied).
std::unique_ptr<TdxMemData> makeRowTable(PrintedList list);

// Copies the given rows of source (0-based, in that order) into rows, field by field of the same
// name: dates and times as values, the other fields as they are; a "group" field lower-cased and
// trimmed. Reads the source without moving its cursor. The rows end in the row table's order.
void transferRecords(const TdxMemData& source, const std::vector<int>& sourceRows,
                     TdxMemData& rows);

} // namespace printing
