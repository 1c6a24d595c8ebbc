#pragma once

#include <string>
#include <string_view>
#include <vector>

// Starting a program that the user named, detached from this one, with the result convention
// of the desktop shell the commands were first written for: a result above 32 is a start, 32
// or less says why not (2 program not found, 3 folder not found, 5 access denied, 8 not enough
// memory, 11 not an executable format, ...).

constexpr int kLaunchStarted = 33;

// Starts program (searched in PATH when it holds no "/") with the parameter words, in its own
// session, with directory as working folder (this process's folder when directory is empty).
// No shell is involved. The program runs on after this one ends.
int startProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& directory);

// splitCommand, then splitParameterWords, then startProgram. An empty program is not found.
int launchCommand(std::string_view command, const std::string& directory);

// The result for an error number of the program start.
int launchResultForError(int errorNumber);

// The message for a result of 32 or less.
std::string launchFailureText(int result);
