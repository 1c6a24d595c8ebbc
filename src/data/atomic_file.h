#pragma once

#include <string>
#include <string_view>

// Writes files whole: the bytes go to a temporary file in the same folder, which is flushed to
// disk and then renamed over the old file. A crash or a full disk therefore leaves either the
// old file or the new one, never a half-written one.

// Throws EFileError("Cannot create file <path>") when any step fails; the old file is untouched.
void writeFileAtomically(const std::string& path, std::string_view bytes);

// Reads the whole file. Throws EFileError("Cannot open file <path>") when it cannot be read.
std::string readWholeFile(const std::string& path);

bool fileExists(const std::string& path);

// Removes the file if present; a missing file is not an error.
void removeFile(const std::string& path);
