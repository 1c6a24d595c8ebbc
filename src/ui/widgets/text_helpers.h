#pragma once

// Text helpers of the entry panel, shared with the contacts and selected-contacts windows.
//
//   getFirstPart(text, separator)  the text before the first separator (all of it when none);
//                                  with " (" it is the name part of a picker item text.
//   groupPart(text, fallback)      the group of a picker item text "name (group)": the characters
//                                  after the first " (" up to, not including, the last
//                                  character; the fallback lower-cased and trimmed when the
//                                  text holds no " (".
//   pickerItemText(name, group)    "name (group)", or the bare name when the group is blank;
//                                  the group lower-cased and trimmed.
//   contactKey(number, group)      the number followed by the group lower-cased and trimmed
//                                  (the contact book's contactKey before its field cuts it to 20).
//   compareNames(a, b)             the core's case-blind order of names (base letters first,
//                                  so "Íde" sorts among the I's): negative, zero or positive.
//   normalGroup(group)             the group lower-cased and trimmed by the one rule of
//                                  data/contact_rules.h (throws EConvertError when the charset
//                                  cannot carry the text); normalGroupOf(bytes) the same for a
//                                  group as the table holds it.

#include <QString>

QString getFirstPart(const QString& text, const QString& separator);
QString groupPart(const QString& text, const QString& fallback);
QString pickerItemText(const QString& name, const QString& group);
QString contactKey(const QString& number, const QString& group);
QString normalGroup(const QString& group);
int compareNames(const QString& a, const QString& b);

#include <string>
#include <string_view>

QString normalGroupOf(std::string_view groupBytes);

// The table bytes of a window's text; throws EConvertError with uncarriableMessage when the
// single-byte charset cannot carry a character (the entry boxes refuse those where typed).
std::string tableBytes(const QString& text);
