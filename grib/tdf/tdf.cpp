#include "grib/tdf/tdf.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "grib/env/env.h"
#include "grib/env/names.h"
#include "grib/vfs/vfs.h"

// Every scan below stops at a 0 byte: the text always ends with one (the
// terminator written after the last byte, or the temporary one at a parent's
// closing brace), so malformed text never makes a scan leave the block.

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Blanks both comment forms in place; the text keeps its length.
void RemoveComments(char* p) {
    while ((p = std::strchr(p, '/')) != nullptr) {
        if (p[1] == '/') {
            char* end = std::strchr(p, '\n');
            size_t n = end ? static_cast<size_t>(end - p) : std::strlen(p);
            std::memset(p, ' ', n);
            p += n;
        } else if (p[1] == '*') {
            // Search for the closer only after the opener, so that "/*/"
            // does not close itself.
            char* close = std::strstr(p + 2, "*/");
            size_t n = close ? static_cast<size_t>(close + 2 - p) : std::strlen(p);
            std::memset(p, ' ', n);
            p += n;
        } else {
            ++p;
        }
    }
}

// Removes the white space next to every delimiter, in place. The write
// position never passes the read position.
void Compact(char* text) {
    char* read = text;
    char* write = text;
    for (;;) {
        char* tokenStart = read;
        read += std::strcspn(read, "[]=;{}");
        char* tokenEnd = read;
        while (tokenEnd > tokenStart && IsSpace(tokenEnd[-1])) --tokenEnd;
        size_t n = static_cast<size_t>(tokenEnd - tokenStart);
        if (n) std::memmove(write, tokenStart, n);
        write += n;
        char delimiter = *read;
        *write++ = delimiter;
        if (!delimiter) return;
        ++read;
        while (IsSpace(*read)) ++read;
        if (!*read) {
            *write = 0;
            return;
        }
    }
}

// The brace matching the '{' at open, or null when the text ends first.
char* MatchingBrace(char* open) {
    int depth = 0;
    for (char* p = open; (p = std::strpbrk(p, "{}")) != nullptr; ++p) {
        if (*p == '{') {
            ++depth;
        } else if (--depth == 0) {
            return p;
        }
    }
    return nullptr;
}

// Scans [from, the next 0 byte) for the bracketed name at this level.
char* FindSection(char* from, const char* bracketed, size_t length) {
    char* p = from;
    while ((p = std::strchr(p, '[')) != nullptr) {
        if (GRIB_HasPrefix(p, bracketed)) {
            return std::strchr(p + length, '{');
        }
        // Not this one: step over its whole body so that sections nested in
        // it are never taken for sections of this level.
        int depth = 0;
        ++p;
        while ((p = std::strpbrk(p, "{}")) != nullptr) {
            depth += (*p++ == '{') ? 1 : -1;
            if (depth == 0) break;
        }
        if (!p) return nullptr;
    }
    return nullptr;
}

// The text of a value: from the character after '=' to the next ';' (or the
// end of the text when a malformed statement never ends).
size_t ValueLength(const char* value) {
    const char* end = std::strchr(value, ';');
    return end ? static_cast<size_t>(end - value) : std::strlen(value);
}

int32_t ParseInt(const char* p) {
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    int64_t value = 0;
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : std::numeric_limits<int32_t>::max();
    // Saturate rather than overflow on absurdly long digit runs.
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 + (*p - '0');
        if (value > limit) value = limit;
    }
    return static_cast<int32_t>(negative ? -value : value);
}

double ParseFloat(const char* p) {
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    // Find the extent of a plain decimal number: digits, an optional fraction
    // and an optional exponent that has at least one digit.
    const char* start = p;
    size_t digits = 0;
    while (*p >= '0' && *p <= '9') ++p, ++digits;
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') ++p, ++digits;
    }
    if (!digits) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (*q >= '0' && *q <= '9') {
            while (*q >= '0' && *q <= '9') ++q;
            p = q;
        }
    }
    double value = 0.0;
    auto result = std::from_chars(start, p, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: let the C conversion pick the
        // infinity or the zero.
        std::string copy(start, static_cast<size_t>(p - start));
        value = std::strtod(copy.c_str(), nullptr);
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

}  // namespace

int TDF_Load(TdfFile* file, const char* path) {
    if (!file || !path) return 0;
    int32_t size = GRIB_FileSize(path);
    if (size < 1) return 0;
    auto* text = static_cast<char*>(GRIB_Alloc(path, static_cast<size_t>(size) + 1));
    if (!text) return 0;
    // A file that shrinks between sizing and reading leaves zeros, not
    // stale heap bytes.
    std::memset(text, 0, static_cast<size_t>(size) + 1);
    if (!GRIB_LoadInto(path, text, size)) {
        GRIB_Free(text);
        return 0;
    }
    if (file->text) GRIB_Free(file->text);
    file->length = static_cast<uint32_t>(size);
    file->text = text;
    file->currentSection = nullptr;
    text[size] = 0;
    RemoveComments(text);
    Compact(text);
    return 1;
}

void TDF_Free(TdfFile* file) {
    if (!file || !file->text) return;
    GRIB_Free(file->text);
    file->text = nullptr;
    file->currentSection = nullptr;
}

void TDF_Rewind(TdfFile* file) {
    if (file) file->currentSection = nullptr;
}

int TDF_EnterSection(TdfFile* file, const char* name) {
    if (!file) return 0;
    char* start = file->currentSection;
    file->currentSection = nullptr;
    if (!file->text || !name) return 0;
    size_t nameLength = std::strlen(name);
    if (nameLength > TDF_MAX_SECTION_NAME) return 0;
    char bracketed[256];
    bracketed[0] = '[';
    std::memcpy(bracketed + 1, name, nameLength);
    bracketed[nameLength + 1] = ']';
    bracketed[nameLength + 2] = 0;
    size_t length = nameLength + 2;

    char* found;
    if (start) {
        // Search only inside the current section: end the text at its
        // closing brace for the time of the search.
        char* close = MatchingBrace(start);
        if (close) *close = 0;
        found = FindSection(start, bracketed, length);
        if (close) *close = '}';
    } else {
        found = FindSection(file->text, bracketed, length);
    }
    file->currentSection = found;
    return found ? 1 : 0;
}

const char* TDF_FindKey(TdfFile* file, const char* key) {
    if (!file || !file->text || !file->currentSection || !key) return nullptr;
    size_t keyLength = std::strlen(key);
    const char* p = file->currentSection + 1;
    for (;;) {
        char c = *p;
        if (c == 0 || c == '=' || c == ']' || c == '{' || c == '}') return nullptr;
        if (c == ';') {
            ++p;
            continue;
        }
        if (c == '[') {
            // A child section: its statements belong to it, not to us.
            p = std::strpbrk(p, "{}");
            if (!p || *p == '}') return nullptr;
            const char* close = MatchingBrace(const_cast<char*>(p));
            if (!close) return nullptr;
            p = close + 1;
            continue;
        }
        if (GRIB_HasPrefix(p, key) && p[keyLength] == '=') return p + keyLength + 1;
        p = std::strchr(p, ';');
        if (!p) return nullptr;
    }
}

int32_t TDF_GetIntDefault(TdfFile* file, const char* key, int32_t defaultValue) {
    const char* value = TDF_FindKey(file, key);
    return value ? ParseInt(value) : defaultValue;
}

int32_t TDF_GetInt(TdfFile* file, const char* key) { return TDF_GetIntDefault(file, key, 0); }

double TDF_GetFloatDefault(TdfFile* file, const char* key, double defaultValue) {
    const char* value = TDF_FindKey(file, key);
    return value ? ParseFloat(value) : defaultValue;
}

double TDF_GetFloat(TdfFile* file, const char* key) { return TDF_GetFloatDefault(file, key, 0.0); }

int TDF_GetStringDefault(TdfFile* file, char* buffer, const char* key, int32_t size, const char* defaultText) {
    const char* value = TDF_FindKey(file, key);
    const char* source = value ? value : defaultText;
    if (source && buffer && size >= 0) {
        size_t n = value ? ValueLength(value) : std::strlen(source);
        if (n > static_cast<size_t>(size)) n = static_cast<size_t>(size);
        std::memcpy(buffer, source, n);
        buffer[n] = 0;
    }
    return value ? 1 : 0;
}

int TDF_GetString(TdfFile* file, char* buffer, const char* key, int32_t size) {
    return TDF_GetStringDefault(file, buffer, key, size, "");
}
