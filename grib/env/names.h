// Names in the game's data (paths, sections, keys, texture, piece and unit
// names) compare without regard to ASCII letter case.
#pragma once

#include <string>
#include <string_view>

bool GRIB_SameName(const char* a, const char* b);
// The same over counted text (a 0 byte is a character like any other).
bool GRIB_SameName(std::string_view a, std::string_view b);
// ASCII upper case, whatever the locale.
inline char GRIB_UpperName(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
// The order of names as the file system lists them: byte order of the upper
// case, so '_' comes after the letters. -1, 0 or 1.
int GRIB_CompareNames(const char* a, const char* b);
// True when text begins with prefix.
bool GRIB_HasPrefix(const char* text, const char* prefix);
// True when text ends with suffix (a file extension, say).
bool GRIB_HasSuffix(const char* text, const char* suffix);
// The file name of a path (\ or / separated) without its extension.
std::string GRIB_BaseName(const char* path);
// A name written into a text listing: in double quotes, with \" and \\ and
// \xHH for every byte outside printable ASCII.
std::string GRIB_QuoteName(std::string_view name);
