#pragma once

#include <string>
#include <string_view>
#include <vector>

// Merging a table file that another copy of the program changed while this copy held it.
//
// Three versions of the file meet: the base (the file as this copy last read or wrote it), ours
// (what this copy is about to write) and theirs (what is on disk now). Each is a table file:
// a header of field names, then one line per row, every value followed by the separator.
// Theirs and the base are read by field name, so a file written with its columns in another
// order still merges; the result has our columns.
//
// The rules, by kind of table:
//
//   Rows (pending reminders, the contact book, and the other lists): rows are matched by their
//   whole text, and a row that one side deleted and replaced with another of the same key is a
//   change of that row.
//
//     base row        ours            theirs          result
//     -------------   -------------   -------------   ------------------------------------------
//     r               r               r               r
//     r               deleted         r               deleted
//     r               r               deleted         deleted
//     r               deleted         deleted         deleted
//     r               changed to o    r               o
//     r               r               changed to t    t
//     r               changed to o    changed to o    o
//     r               changed to o    changed to t    o; t set aside (the conflict file)
//     r               changed to o    deleted         o
//     r               deleted         changed to t    deleted; t set aside
//     -               added o         -               o
//     -               -               added t         t
//     -               added x         added x         x, once
//
//   Union (sent items, replies): our rows, and every row the other side added since the base
//   that we do not have; a row this copy deleted stays deleted. With key fields (a reply's
//   Message-ID) a key is one row: a row both sides added is kept once, as ours, and a row only
//   the other side changed since the base takes their change.
//
//   Ours (the sender settings): our file as it is; `theirsReplaced` says whether the other side
//   had changed it.
enum class MergeRule { Rows, Union, Ours };

struct TableMerge {
    std::string text;                  // the merged file
    std::vector<std::string> setAside; // their rows that lost to a change of ours, as lines
    bool theirsReplaced = false;       // Ours: the other side's change was dropped
    bool changed = false;              // the merged file differs from ours
};

// keyFields name the fields that identify a row (case ignored); none, or none that the file
// has, makes the whole row the key. An empty base or theirs is a file that did not exist.
TableMerge mergeTableFiles(std::string_view base, std::string_view ours, std::string_view theirs,
                           char delimiter, MergeRule rule,
                           const std::vector<std::string>& keyFields = {});
