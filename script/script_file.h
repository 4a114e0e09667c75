// A loaded compiled unit script (.cob).
//
// The file is little-endian 32-bit words: a 44-byte header (version, function
// count, piece count, an unused word, static count, external count, then the
// offsets of the function start table, function name table, piece name
// table, code and external reference table). The loader checks every count,
// offset and name against the file and rejects a file that fails any check;
// what it keeps are native records that point into the loaded block, so
// nothing later needs to trust the file again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Whatever an external reference is bound to. Nothing in this program binds
// one; CALL_EXTERNAL only calls through a non-null binding.
struct ScriptExternalTarget {
    void (*call)(ScriptExternalTarget* self, const int32_t args[4]);
};

struct ScriptExternalRef {
    ScriptExternalTarget* binding;  // cleared by AttachScript
    const char* name;               // NUL-terminated, inside the file block
};

enum : int32_t {
    SCRIPT_HEADER_SIZE = 44,
    // Statics are not stored in the file, so their count can't be checked
    // against it; a count above this marks a damaged file.
    SCRIPT_MAX_STATICS = 65536,
};

struct ScriptFile {
    uint8_t* block;  // the whole file as loaded (tagged block)
    int32_t length;  // its size in bytes

    // Header words as read.
    int32_t version;
    int32_t functionCount;
    int32_t pieceCount;
    int32_t unused12;
    int32_t staticCount;
    int32_t externalCount;
    int32_t functionStartOffset;
    int32_t functionNameOffset;
    int32_t pieceNameOffset;
    int32_t codeOffset;
    int32_t externalOffset;

    // Resolved tables. Function starts are word indices into code, each in
    // 0 ... code.size() (a start at the very end is an empty function).
    std::vector<int32_t> functionStarts;
    std::vector<const char*> functionNames;
    std::vector<const char*> pieceNames;
    std::vector<ScriptExternalRef> externals;
    // The code: every whole word from the code offset to the end of the file.
    std::vector<int32_t> code;
};

// Loads and checks a script through the file system; null when the file
// can't be read or fails a check.
ScriptFile* LoadScript(const char* path);
// The same checks on a block already in memory. Takes ownership of the
// tagged block (released on failure too).
ScriptFile* LoadScriptFromBlock(void* block, int32_t length);
void FreeScript(ScriptFile* file);
