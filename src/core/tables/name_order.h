#pragma once

// How names and other texts are compared without regard to letter case, on the table files'
// Windows-1252 bytes. One rule for the record tables' case-blind sorts and look-ups (the contact
// book, hence the printed contact list) and for the pickers' lists, so that "Íde Nolan" is found
// by "íde nolan" and is listed among the I's everywhere, not after "Z".
//
//   upperLetter(byte)          the capital of a small letter (a-z, the accented smalls, š, œ, ž,
//                              ÿ); any other byte unchanged.
//   baseLetter(byte)           the capital base letter of a letter (Í and í give I, Ç gives C,
//                              Æ gives A, ß gives S); any other byte unchanged. Ð and Þ, with
//                              no base letter among A-Z, keep their capital.
//   compareCaseless(a, b)      base letters first, then accents (plain before accented), letter
//                              case never: negative, zero or positive. Zero exactly when the two
//                              texts differ in letter case only.

#include <string_view>

unsigned char upperLetter(unsigned char byte);
unsigned char baseLetter(unsigned char byte);
int compareCaseless(std::string_view a, std::string_view b);
