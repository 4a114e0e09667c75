#include "kit/script/script_asm.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <unordered_map>

#include "grib/env/names.h"
#include "script/script_file.h"

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Splits a line into tokens: whitespace and commas separate, ';' starts a
// comment, "..." is one token with \\ \" \n \t and \xHH escapes.
bool Tokenize(std::string_view line, std::vector<Token>& out, std::string& error) {
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ';') break;
        if (std::isspace(static_cast<unsigned char>(c)) || c == ',') {
            i++;
            continue;
        }
        Token t;
        if (c == '"') {
            t.quoted = true;
            i++;
            for (;;) {
                if (i >= line.size()) {
                    error = "unterminated string";
                    return false;
                }
                char d = line[i++];
                if (d == '"') break;
                if (d != '\\') {
                    t.text += d;
                    continue;
                }
                if (i >= line.size()) {
                    error = "unterminated string";
                    return false;
                }
                char e = line[i++];
                if (e == 'n') t.text += '\n';
                else if (e == 't') t.text += '\t';
                else if (e == 'x') {
                    int h = i < line.size() ? HexDigit(line[i]) : -1;
                    int l = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
                    if (h < 0 || l < 0) {
                        error = "bad \\x escape";
                        return false;
                    }
                    t.text += static_cast<char>(h * 16 + l);
                    i += 2;
                } else t.text += e;
            }
            if (t.text.find('\0') != std::string::npos) {
                error = "names can't hold NUL";
                return false;
            }
        } else {
            while (i < line.size() && line[i] != ';' && line[i] != ',' && line[i] != '"' &&
                   !std::isspace(static_cast<unsigned char>(line[i])))
                t.text += line[i++];
        }
        out.push_back(std::move(t));
    }
    return true;
}

// Decimal or 0x hex, optionally negative; values up to 0xFFFFFFFF wrap.
std::optional<int32_t> ParseInt(const std::string& s) {
    if (s.empty()) return std::nullopt;
    size_t i = 0;
    bool neg = false;
    if (s[0] == '-' || s[0] == '+') {
        neg = s[0] == '-';
        i = 1;
    }
    int base = 10;
    if (s.size() > i + 1 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= s.size()) return std::nullopt;
    uint64_t v = 0;
    for (; i < s.size(); i++) {
        int d = base == 16 ? HexDigit(s[i]) : (std::isdigit(static_cast<unsigned char>(s[i])) ? s[i] - '0' : -1);
        if (d < 0) return std::nullopt;
        v = v * base + d;
        if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    if (neg) {
        if (v > 0x80000000ull) return std::nullopt;
        return static_cast<int32_t>(0u - static_cast<uint32_t>(v));
    }
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

struct PendingOperand {
    char kind;
    Token token;
    size_t word;  // index into code
    int line;
    std::string function;  // for local names
};

struct Assembler {
    int32_t version = 4;
    std::vector<int32_t> code;
    std::vector<std::string> functions;
    std::vector<int32_t> starts;
    std::vector<std::string> pieces;
    std::vector<std::string> externals;
    int32_t staticCount = 0;
    std::unordered_map<std::string, int32_t> staticNames;
    std::unordered_map<std::string, int32_t> labels;
    std::unordered_map<std::string, int32_t> consts;
    // Local names per function (key: function name + '\n' + local).
    std::unordered_map<std::string, int32_t> locals;
    std::map<std::string, int32_t> localCount;
    std::string currentFunction;
    std::vector<PendingOperand> pending;
    std::string error;

    static int32_t IndexOf(const std::vector<std::string>& names, const std::string& n) {
        for (size_t i = 0; i < names.size(); i++)
            if (names[i] == n) return static_cast<int32_t>(i);
        return -1;
    }

    bool Fail(int line, const std::string& what) {
        error = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    // A number or a constant.
    std::optional<int32_t> Value(const Token& t) const {
        if (t.quoted) return std::nullopt;
        if (auto v = ParseInt(t.text)) return v;
        auto c = consts.find(t.text);
        if (c != consts.end()) return c->second;
        return std::nullopt;
    }

    bool Resolve(const PendingOperand& p) {
        const Token& t = p.token;
        std::optional<int32_t> v;
        if (!t.quoted) v = ParseInt(t.text);
        if (v) {
            code[p.word] = *v;
            return true;
        }
        int32_t found = -1;
        switch (p.kind) {
        case 'p': found = IndexOf(pieces, t.text); break;
        case 'f': found = IndexOf(functions, t.text); break;
        case 'e': found = IndexOf(externals, t.text); break;
        case 's': {
            auto it = staticNames.find(t.text);
            if (!t.quoted && it != staticNames.end()) found = it->second;
            break;
        }
        case 'j': {
            auto it = labels.find(t.text);
            if (!t.quoted && it != labels.end()) found = it->second;
            break;
        }
        case 'l': {
            auto it = locals.find(p.function + '\n' + t.text);
            if (!t.quoted && it != locals.end()) found = it->second;
            break;
        }
        case 'a': {
            static const char* const kAxes[] = {"x", "y", "z"};
            for (int32_t k = 0; k < 3 && !t.quoted; k++)
                if (GRIB_SameName(t.text, kAxes[k])) found = k;
            break;
        }
        default: break;
        }
        if (found >= 0) {
            v = found;
        } else if (!t.quoted) {
            v = Value(t);
        }
        if (!v) {
            static const std::map<char, const char*> what = {
                {'p', "piece"}, {'a', "axis"}, {'i', "value"}, {'l', "local"}, {'s', "static"},
                {'f', "function"}, {'n', "count"}, {'e', "external"}, {'j', "label"}};
            return Fail(p.line, std::string("unknown ") + what.at(p.kind) + " '" + t.text + "'");
        }
        code[p.word] = *v;
        return true;
    }

    bool Names(int line, const std::vector<Token>& toks, size_t from, std::vector<std::string>& into) {
        if (from >= toks.size()) return Fail(line, "expected a name");
        for (size_t i = from; i < toks.size(); i++) into.push_back(toks[i].text);
        return true;
    }

    bool Line(int line, std::vector<Token> toks) {
        // Labels: bare tokens ending with ':' at the start of the line.
        while (!toks.empty() && !toks[0].quoted && toks[0].text.size() > 1 && toks[0].text.back() == ':') {
            std::string name = toks[0].text.substr(0, toks[0].text.size() - 1);
            if (ParseInt(name)) return Fail(line, "a label can't be a number");
            if (!labels.emplace(name, static_cast<int32_t>(code.size())).second)
                return Fail(line, "label '" + name + "' defined twice");
            toks.erase(toks.begin());
        }
        if (toks.empty()) return true;
        if (toks[0].quoted) return Fail(line, "expected an instruction");
        const std::string& word = toks[0].text;
        auto is = [&](const char* w) { return GRIB_SameName(word, w); };

        if (is("version")) {
            if (toks.size() != 2 || !Value(toks[1])) return Fail(line, "version takes one number");
            version = *Value(toks[1]);
            return true;
        }
        if (is("function")) {
            if (toks.size() != 2) return Fail(line, "function takes one name");
            currentFunction = toks[1].text;
            functions.push_back(currentFunction);
            starts.push_back(static_cast<int32_t>(code.size()));
            return true;
        }
        if (is("piece") || is("pieces")) return Names(line, toks, 1, pieces);
        if (is("external") || is("externals")) return Names(line, toks, 1, externals);
        if (is("static")) {
            if (toks.size() < 2) return Fail(line, "expected a name");
            for (size_t i = 1; i < toks.size(); i++) {
                if (toks[i].quoted || ParseInt(toks[i].text)) return Fail(line, "bad static name");
                staticNames.emplace(toks[i].text, staticCount++);
            }
            return true;
        }
        if (is("statics")) {
            auto v = toks.size() == 2 ? Value(toks[1]) : std::nullopt;
            if (!v || *v < 0 || *v > SCRIPT_MAX_STATICS) return Fail(line, "statics takes a count (0-65536)");
            if (*v > staticCount) staticCount = *v;
            return true;
        }
        if (is("local")) {
            if (toks.size() < 2) return Fail(line, "expected a name");
            int32_t& n = localCount[currentFunction];
            for (size_t i = 1; i < toks.size(); i++) {
                if (toks[i].quoted || ParseInt(toks[i].text)) return Fail(line, "bad local name");
                if (n >= 32) return Fail(line, "more than 32 locals");
                locals[currentFunction + '\n' + toks[i].text] = n++;
            }
            return true;
        }
        if (is("const")) {
            if (toks.size() != 3 || toks[1].quoted || ParseInt(toks[1].text)) return Fail(line, "const takes a name and a value");
            auto v = Value(toks[2]);
            if (!v) return Fail(line, "const takes a name and a value");
            consts[toks[1].text] = *v;
            return true;
        }
        if (is("word") || is("words")) {
            if (toks.size() < 2) return Fail(line, "word takes values");
            for (size_t i = 1; i < toks.size(); i++) {
                pending.push_back({'i', toks[i], code.size(), line, currentFunction});
                code.push_back(0);
            }
            return true;
        }
        const std::string_view name = is("push_const") ? std::string_view("push") : std::string_view(word);
        for (const ScriptOpInfo& op : ScriptOps()) {
            if (!GRIB_SameName(name, op.name)) continue;
            if (static_cast<int>(toks.size()) - 1 != op.operandCount)
                return Fail(line, std::string(op.name) + " takes " + std::to_string(op.operandCount) + " operand(s)");
            code.push_back(op.opcode);
            for (int k = 0; k < op.operandCount; k++) {
                pending.push_back({op.operands[k], toks[1 + k], code.size(), line, currentFunction});
                code.push_back(0);
            }
            return true;
        }
        return Fail(line, "unknown instruction '" + toks[0].text + "'");
    }

    std::vector<uint8_t> Image() const {
        std::vector<uint8_t> out;
        auto put = [&](int32_t v) {
            uint32_t u = static_cast<uint32_t>(v);
            for (int i = 0; i < 4; i++) out.push_back(static_cast<uint8_t>(u >> (8 * i)));
        };
        auto at = [&](size_t pos, int32_t v) {
            uint32_t u = static_cast<uint32_t>(v);
            for (int i = 0; i < 4; i++) out[pos + i] = static_cast<uint8_t>(u >> (8 * i));
        };
        const int32_t fc = static_cast<int32_t>(functions.size());
        const int32_t pc = static_cast<int32_t>(pieces.size());
        const int32_t ec = static_cast<int32_t>(externals.size());
        const int32_t codeOffset = SCRIPT_HEADER_SIZE;
        const int32_t startTable = codeOffset + 4 * static_cast<int32_t>(code.size());
        const int32_t nameTable = startTable + 4 * fc;
        const int32_t pieceTable = nameTable + 4 * fc;
        const int32_t externalTable = pieceTable + 4 * pc;
        const int32_t strings = externalTable + 8 * ec;
        for (int32_t v : {version, fc, pc, 0, staticCount, ec, startTable, nameTable, pieceTable, codeOffset,
                          externalTable})
            put(v);
        for (int32_t w : code) put(w);
        for (int32_t s : starts) put(s);
        size_t names = out.size();
        out.resize(out.size() + 4 * (fc + pc) + 8 * ec, 0);
        int32_t next = strings;
        std::vector<uint8_t> text;
        auto addName = [&](const std::string& n) {
            int32_t offset = next;
            text.insert(text.end(), n.begin(), n.end());
            text.push_back(0);
            next += static_cast<int32_t>(n.size()) + 1;
            return offset;
        };
        for (const std::string& n : functions) {
            at(names, addName(n));
            names += 4;
        }
        for (const std::string& n : pieces) {
            at(names, addName(n));
            names += 4;
        }
        for (const std::string& n : externals) {
            at(names, 0);
            at(names + 4, addName(n));
            names += 8;
        }
        out.insert(out.end(), text.begin(), text.end());
        return out;
    }
};

}  // namespace

bool AssembleScript(std::string_view source, std::vector<uint8_t>& out, std::string& error) {
    Assembler a;
    int line = 0;
    size_t pos = 0;
    while (pos <= source.size()) {
        size_t end = source.find('\n', pos);
        if (end == std::string_view::npos) end = source.size();
        std::string_view text = source.substr(pos, end - pos);
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        line++;
        std::vector<Token> toks;
        std::string why;
        if (!Tokenize(text, toks, why)) {
            error = "line " + std::to_string(line) + ": " + why;
            return false;
        }
        if (!a.Line(line, std::move(toks))) {
            error = a.error;
            return false;
        }
        pos = end + 1;
    }
    if (a.code.size() > (0x7FFFFFFFu - 4096) / 8) {
        error = "program too large";
        return false;
    }
    for (const PendingOperand& p : a.pending) {
        if (!a.Resolve(p)) {
            error = a.error;
            return false;
        }
    }
    out = a.Image();
    return true;
}
