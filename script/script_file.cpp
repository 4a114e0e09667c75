#include "script/script_file.h"

#include <cstring>
#include <memory>

#include "grib/env/bytes.h"
#include "grib/env/env.h"
#include "grib/vfs/vfs.h"

namespace {

// The word at a byte offset of the file; 0 outside it.
int32_t Word(const ScriptFile& f, int64_t offset) {
    if (offset < 0) return 0;
    return GribBytes{f.block, static_cast<size_t>(f.length)}.I32(static_cast<uint64_t>(offset));
}

// A table of count entries of entrySize bytes at offset must lie inside the
// file. An empty table is never read, so its offset doesn't matter.
bool TableFits(int32_t offset, int32_t count, int32_t entrySize, int32_t length) {
    if (count < 0) return false;
    if (count == 0) return true;
    if (offset < 0) return false;
    return static_cast<int64_t>(offset) + static_cast<int64_t>(count) * entrySize <= length;
}

// A name is a NUL-terminated string that starts and ends inside the file.
const char* NameAt(const ScriptFile& f, int32_t offset) {
    if (offset < 0 || offset >= f.length) return nullptr;
    const void* nul = std::memchr(f.block + offset, 0, static_cast<size_t>(f.length - offset));
    return nul ? reinterpret_cast<const char*>(f.block + offset) : nullptr;
}

bool ReadNames(const ScriptFile& f, int32_t tableOffset, int32_t count, std::vector<const char*>& out) {
    out.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; i++) {
        const char* name = NameAt(f, Word(f, tableOffset + 4 * int64_t{i}));
        if (!name) return false;
        out.push_back(name);
    }
    return true;
}

bool Resolve(ScriptFile& f) {
    if (f.length < SCRIPT_HEADER_SIZE) return false;
    f.version = Word(f, 0);
    f.functionCount = Word(f, 4);
    f.pieceCount = Word(f, 8);
    f.unused12 = Word(f, 12);
    f.staticCount = Word(f, 16);
    f.externalCount = Word(f, 20);
    f.functionStartOffset = Word(f, 24);
    f.functionNameOffset = Word(f, 28);
    f.pieceNameOffset = Word(f, 32);
    f.codeOffset = Word(f, 36);
    f.externalOffset = Word(f, 40);

    if (!TableFits(f.functionStartOffset, f.functionCount, 4, f.length) ||
        !TableFits(f.functionNameOffset, f.functionCount, 4, f.length) ||
        !TableFits(f.pieceNameOffset, f.pieceCount, 4, f.length) ||
        !TableFits(f.externalOffset, f.externalCount, 8, f.length))
        return false;
    if (f.staticCount < 0 || f.staticCount > SCRIPT_MAX_STATICS) return false;
    if (f.codeOffset < 0 || f.codeOffset > f.length) return false;

    size_t codeWords = static_cast<size_t>(f.length - f.codeOffset) / 4;
    f.code.resize(codeWords);
    for (size_t i = 0; i < codeWords; i++) f.code[i] = Word(f, f.codeOffset + 4 * int64_t(i));

    f.functionStarts.reserve(static_cast<size_t>(f.functionCount));
    for (int32_t i = 0; i < f.functionCount; i++) {
        int32_t start = Word(f, f.functionStartOffset + 4 * int64_t{i});
        if (start < 0 || static_cast<size_t>(start) > codeWords) return false;
        f.functionStarts.push_back(start);
    }
    if (!ReadNames(f, f.functionNameOffset, f.functionCount, f.functionNames)) return false;
    if (!ReadNames(f, f.pieceNameOffset, f.pieceCount, f.pieceNames)) return false;

    f.externals.reserve(static_cast<size_t>(f.externalCount));
    for (int32_t i = 0; i < f.externalCount; i++) {
        const char* name = NameAt(f, Word(f, f.externalOffset + 8 * int64_t{i} + 4));
        if (!name) return false;
        f.externals.push_back({nullptr, name});
    }
    return true;
}

}  // namespace

ScriptFile* LoadScriptFromBlock(void* block, int32_t length) {
    if (!block) return nullptr;
    if (length <= 0 || static_cast<size_t>(length) > GRIB_BlockSize(block)) {
        GRIB_Free(block);
        return nullptr;
    }
    auto file = std::make_unique<ScriptFile>();
    file->block = static_cast<uint8_t*>(block);
    file->length = length;
    if (!Resolve(*file)) {
        GRIB_Free(block);
        return nullptr;
    }
    return file.release();
}

ScriptFile* LoadScript(const char* path) {
    if (!path) return nullptr;
    int32_t length = -1;
    void* block = GRIB_LoadFile(path, &length);
    return LoadScriptFromBlock(block, length);
}

void FreeScript(ScriptFile* file) {
    if (!file) return;
    GRIB_Free(file->block);
    delete file;
}
