#pragma once

// The business steps of sending a batch, apart from the send window that drives them.
//
//   nextBatchId(now, last)        the identifier of a send attempt: now, but always at least
//                                 one millisecond after the last one, even when the clock has
//                                 not moved.
//   stampBatch(pending, ...)      every pending reminder gets the report wishes and the batch
//                                 identifier in one pass; the table's AfterPost runs once, as
//                                 after an edit; a pending edit is posted first.
//   moveBatchToSentItems(pending, sent, today)  every pending reminder is appended to the sent
//                                 items with today as its create date, after the rows already
//                                 there (added rows stay last until the next full sort), in one
//                                 pass with one redraw.
//                                 The pending list is left as it is.
//   copyOfReminders(pending, rows) a table of the reminders' schema holding a copy of the given
//                                 rows (0-based, ascending; all when none are given).

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class TdxMemData;

double nextBatchId(double now, double last);
void stampBatch(TdxMemData& pending, bool status, bool delivery, double batch);
void moveBatchToSentItems(TdxMemData& pending, TdxMemData& sent, int32_t today);
std::unique_ptr<TdxMemData> copyOfReminders(const TdxMemData& pending,
                                            const std::optional<std::vector<int>>& rows = {});
