#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include "grib/env/env.h"
#include "grib/env/names.h"
#include "kit/script/script_asm.h"
#include "script/script_file.h"

namespace {

bool IsPlainName(const std::string& s) {
    if (s.empty()) return false;
    if (!std::isalpha(static_cast<unsigned char>(s[0])) && s[0] != '_') return false;
    for (char c : s)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.') return false;
    return true;
}

std::string Quote(const std::string& s) { return IsPlainName(s) ? s : GRIB_QuoteName(s); }

// The name for index i when the name leads back to i (the first of equal
// names); otherwise the number.
std::string NameOrIndex(const std::vector<const char*>& names, int32_t i) {
    if (i >= 0 && static_cast<size_t>(i) < names.size()) {
        for (int32_t k = 0; k < i; k++)
            if (!std::strcmp(names[k], names[i])) return std::to_string(i);
        return Quote(names[i]);
    }
    return std::to_string(i);
}

struct Item {
    int32_t pos;
    const ScriptOpInfo* op;  // null: a raw word
};

}  // namespace

bool DisassembleScript(const std::vector<uint8_t>& bytes, std::string& text, std::string& error) {
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF) {
        error = "not a valid script";
        return false;
    }
    void* block = GRIB_Alloc("Script", bytes.size());
    if (!block) {
        error = "out of memory";
        return false;
    }
    std::memcpy(block, bytes.data(), bytes.size());
    ScriptFile* f = LoadScriptFromBlock(block, static_cast<int32_t>(bytes.size()));
    if (!f) {
        error = "not a valid script";
        return false;
    }

    // The code runs up to the first table that follows it (or the file end).
    int32_t end = f->length;
    auto limit = [&](int32_t offset, int32_t count) {
        if (count > 0 && offset >= f->codeOffset && offset < end) end = offset;
    };
    limit(f->functionStartOffset, f->functionCount);
    limit(f->functionNameOffset, f->functionCount);
    limit(f->pieceNameOffset, f->pieceCount);
    limit(f->externalOffset, f->externalCount);
    const int32_t words = (end - f->codeOffset) / 4;

    std::vector<const char*> externalNames;
    for (const ScriptExternalRef& r : f->externals) externalNames.push_back(r.name);

    std::vector<int32_t> order(static_cast<size_t>(f->functionCount));
    for (int32_t i = 0; i < f->functionCount; i++) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int32_t a, int32_t b) { return f->functionStarts[a] < f->functionStarts[b]; });
    std::set<int32_t> starts(f->functionStarts.begin(), f->functionStarts.end());

    // Decode; an instruction never straddles a function start or the end.
    std::vector<Item> items;
    std::set<int32_t> boundaries;
    for (int32_t pos = 0; pos < words;) {
        const ScriptOpInfo* found = nullptr;
        for (const ScriptOpInfo& op : ScriptOps())
            if (op.opcode == f->code[pos]) found = &op;
        if (found) {
            int32_t len = 1 + found->operandCount;
            auto next = starts.upper_bound(pos);
            if (pos + len > words || (next != starts.end() && *next < pos + len)) found = nullptr;
        }
        items.push_back({pos, found});
        boundaries.insert(pos);
        pos += found ? 1 + found->operandCount : 1;
    }
    boundaries.insert(words);
    std::set<int32_t> labels;
    for (const Item& it : items)
        if (it.op && std::strchr(it.op->operands, 'j') && boundaries.count(f->code[it.pos + 1]))
            labels.insert(f->code[it.pos + 1]);

    std::string out;
    char buf[64];
    std::snprintf(buf, sizeof buf, "; disassembled script\nversion %d\n", f->version);
    out += buf;
    for (const char* p : f->pieceNames) out += "piece " + Quote(p) + "\n";
    for (const char* e : externalNames) out += "external " + Quote(e) + "\n";
    if (f->staticCount) out += "statics " + std::to_string(f->staticCount) + "\n";

    size_t nextFunction = 0;
    auto heads = [&](int32_t pos) {
        while (nextFunction < order.size() && f->functionStarts[order[nextFunction]] <= pos) {
            out += "\nfunction ";
            out += Quote(f->functionNames[order[nextFunction]]);
            out += '\n';
            nextFunction++;
        }
        if (labels.count(pos)) {
            out += 'L';
            out += std::to_string(pos);
            out += ":\n";
        }
    };
    for (const Item& it : items) {
        heads(it.pos);
        if (!it.op) {
            std::snprintf(buf, sizeof buf, "    word 0x%08X\n", static_cast<uint32_t>(f->code[it.pos]));
            out += buf;
            continue;
        }
        out += "    ";
        out += it.op->name;
        for (int k = 0; k < it.op->operandCount; k++) {
            int32_t v = f->code[it.pos + 1 + k];
            out += ' ';
            switch (it.op->operands[k]) {
            case 'p': out += NameOrIndex(f->pieceNames, v); break;
            case 'f': out += NameOrIndex(f->functionNames, v); break;
            case 'e': out += NameOrIndex(externalNames, v); break;
            case 'a': out += v >= 0 && v <= 2 ? std::string(1, static_cast<char>('x' + v)) : std::to_string(v); break;
            case 'j':
                if (labels.count(v)) out += 'L';
                out += std::to_string(v);
                break;
            default: out += std::to_string(v); break;
            }
        }
        out += '\n';
    }
    heads(words);
    while (nextFunction < order.size()) {
        out += "\n; starts beyond the code at word " + std::to_string(f->functionStarts[order[nextFunction]]) +
               "\nfunction " + Quote(f->functionNames[order[nextFunction]]) + "\n";
        nextFunction++;
    }
    FreeScript(f);
    text = std::move(out);
    return true;
}
