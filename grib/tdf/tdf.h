// Text data files: named sections in brackets, each holding key=value;
// statements and nested sections, e.g.
//
//     [UNITINFO] { Name=Big Tank; [WEAPON1] { reload=2; } }
//
// The file is normalised once when loaded (comments blanked, white space next
// to the delimiters removed) and every lookup scans the normalised text.
// Section names and keys are matched without regard to ASCII case.
#pragma once

#include <cstdint>

struct TdfFile {
    uint32_t length = 0;              // length of the file in bytes
    char* text = nullptr;             // normalised text, tagged block of length + 1 bytes
    char* currentSection = nullptr;   // '{' of the section entered last; null = top level
};

// Longest section name that can be entered: "[" + name + "]" and its
// terminator fill a 256-byte buffer.
enum { TDF_MAX_SECTION_NAME = 253 };

// Loads and normalises the file (through the merged file system). 1 on
// success with the current section at the top level; 0 when the file is
// missing, empty or unreadable (the record is then left as it was). A record
// that already held a text releases it on success.
int TDF_Load(TdfFile* file, const char* path);
// Releases the text; a second call does nothing.
void TDF_Free(TdfFile* file);
// Back to the top level: the next TDF_EnterSection searches the whole file.
void TDF_Rewind(TdfFile* file);
// Enters the named section inside the current one (or at the top level).
// On failure the current section becomes the top level.
int TDF_EnterSection(TdfFile* file, const char* name);
// The value of the current section's own statement KEY (the character after
// its '='), or null. The value runs up to the next ';'.
const char* TDF_FindKey(TdfFile* file, const char* key);

int32_t TDF_GetIntDefault(TdfFile* file, const char* key, int32_t defaultValue);
int32_t TDF_GetInt(TdfFile* file, const char* key);
double TDF_GetFloatDefault(TdfFile* file, const char* key, double defaultValue);
double TDF_GetFloat(TdfFile* file, const char* key);
// Copies at most size characters of the value and a terminating 0 into
// buffer, which must hold size + 1 bytes; 1 when the key was found. When it
// is absent the default (if not null) is copied instead, also cut to size
// characters, and the result is 0.
int TDF_GetStringDefault(TdfFile* file, char* buffer, const char* key, int32_t size, const char* defaultText);
// As above with the empty text as default.
int TDF_GetString(TdfFile* file, char* buffer, const char* key, int32_t size);
