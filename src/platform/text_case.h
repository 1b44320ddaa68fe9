#pragma once
// Case-blind comparison of UTF-8 text, standing in for the platform's locale-aware one. File
// names and INI names on this system are UTF-8; the program's users type Latin and Cyrillic
// names, so both alphabets fold (Latin-1, Latin Extended-A, Cyrillic and its supplement).
// Bytes that are not valid UTF-8 are compared as they are.
#include <cstdint>
#include <string>
#include <string_view>

std::string AnsiLowerCase(std::string_view text);
bool AnsiSameText(std::string_view a, std::string_view b);
// A hash that agrees with AnsiSameText: equal texts hash equal.
std::uint64_t AnsiTextHash(std::string_view text);
