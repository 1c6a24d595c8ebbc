#pragma once

// Phone numbers as the program compares and checks them. People type a number with blanks and
// an international "+" ("+44 7700 900123") or without ("447700900123"); both are one number.
//
//   phoneDigits(number)        the number's digits alone, in order: the one form in which
//                              numbers are compared (the do-not-text list, duplicates)
//   samePhoneNumber(a, b)      one number however written: equal digits, an international
//                              "00" prefix left out, and a national number's leading 0 equal
//                              to the international form that ends with the rest of it
//                              ("07700 900123" and "+44 7700 900123")
//   isSendableNumber(number)   at least kMinNumberDigits digits, and nothing but digits, blanks
//                              between them (the number boxes let the user type blanks) and one
//                              "+" before the first digit

#include <string>
#include <string_view>

inline constexpr int kMinNumberDigits = 7;

std::string phoneDigits(std::string_view number);
void appendPhoneDigits(std::string& out, std::string_view number);
bool samePhoneNumber(std::string_view a, std::string_view b);
bool isSendableNumber(std::string_view number);
