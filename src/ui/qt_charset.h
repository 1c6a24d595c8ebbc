#pragma once

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// The one codec between the windows' text and the core's single-byte text (Windows-1252).
QString fromTableText(std::string_view bytes);
// nullopt when the text holds a character the charset cannot carry.
std::optional<std::string> toTableText(const QString& text);
// The first character the charset cannot carry, or a null QChar... as a QString (empty if none).
QString firstUncarriable(const QString& text);
// The message shown when typed or pasted text holds such a character.
QString uncarriableMessage(const QString& character);
