// grib script: assemble, disassemble and trace unit scripts.
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "kit/script/script_asm.h"
#include "script/instance.h"
#include "script/script_file.h"
#include "tools/grib/common.h"

namespace {

const char kUsage[] =
    "usage: grib script asm IN -o OUT.cob\n"
    "       grib script disasm IN.cob\n"
    "       grib script trace FILE.cob [--tick-rate R] [--seed S] STEP...\n"
    "\n"
    "asm     assembles script text (docs/script-assembly.md) into a .cob file\n"
    "disasm  prints a .cob file as script text; assembling that text again\n"
    "        gives the same bytes for a file made by asm\n"
    "trace   runs the script on a recording host (per script piece a position\n"
    "        and an angle per axis, stored as set, 0 at start) and prints what\n"
    "        happens. Steps, in order:\n"
    "          start:NAME[:a0,a1,...]     start a function (not run now); with\n"
    "                                     ':' and up to 4 arguments it is started\n"
    "                                     with arguments\n"
    "          startnow:NAME[:a0,...]     the same, run now\n"
    "          run:E  run:E*N             RunScript with E elapsed ticks (N times)\n"
    "        Output lines: 'start NAME 1|0' when a start returns; 'run E' before\n"
    "        each run; the host calls 'set-pos P A V', 'set-angle P A V',\n"
    "        'visible P F', 'cache P F', 'shade P F', 'host-a OP A B', 'host-b OP',\n"
    "        'host-c OP V', 'host-d OP V', 'set-value K V', 'get-value K'; a\n"
    "        function's return value 'result NAME V'; after each run\n"
    "        'threads S0 ... S7' (states as 0x%08X).\n"
    "        R is the tick rate (default 30); S sets the script random state.\n";

// The recording host: every host call becomes one output line.
class TraceHost : public ScriptInstance {
public:
    explicit TraceHost(int32_t pieces) : position_(static_cast<size_t>(pieces)), angle_(static_cast<size_t>(pieces)) {
        for (auto& p : position_) p.fill(0);
        for (auto& a : angle_) a.fill(0);
    }

    int32_t GetPiecePosition(int32_t piece, int32_t axis) override {
        return Valid(piece, axis) ? position_[piece][axis] : 0;
    }
    void SetPiecePosition(int32_t piece, int32_t axis, int32_t value) override {
        std::printf("set-pos %d %d %d\n", piece, axis, value);
        if (Valid(piece, axis)) position_[piece][axis] = value;
    }
    int32_t GetPieceAngle(int32_t piece, int32_t axis) override {
        return Valid(piece, axis) ? angle_[piece][axis] : 0;
    }
    void SetPieceAngle(int32_t piece, int32_t axis, int32_t value) override {
        std::printf("set-angle %d %d %d\n", piece, axis, value);
        if (Valid(piece, axis)) angle_[piece][axis] = value;
    }
    void SetPieceVisible(int32_t piece, int32_t flag) override { std::printf("visible %d %d\n", piece, flag); }
    void SetPieceCacheFlag(int32_t piece, int32_t flag) override { std::printf("cache %d %d\n", piece, flag); }
    void SetPieceShadeFlag(int32_t piece, int32_t flag) override { std::printf("shade %d %d\n", piece, flag); }
    void HostCommandA(int32_t op, int32_t a, int32_t b) override { std::printf("host-a %d %d %d\n", op, a, b); }
    void HostCommandB(int32_t op) override { std::printf("host-b %d\n", op); }
    void HostCommandC(int32_t op, int32_t v) override { std::printf("host-c %d %d\n", op, v); }
    void HostCommandD(int32_t op, int32_t v) override { std::printf("host-d %d %d\n", op, v); }
    void SetValue(int32_t key, int32_t value) override { std::printf("set-value %d %d\n", key, value); }
    int32_t GetValue(int32_t key) override {
        std::printf("get-value %d\n", key);
        return ScriptInstance::GetValue(key);
    }

private:
    bool Valid(int32_t piece, int32_t axis) const {
        return piece >= 0 && static_cast<size_t>(piece) < position_.size() && axis >= 0 && axis < 3;
    }
    std::vector<std::array<int32_t, 3>> position_;
    std::vector<std::array<int32_t, 3>> angle_;
};

class TraceReceiver : public CompletionReceiver {
public:
    explicit TraceReceiver(std::string name) : name_(std::move(name)) {}
    void Result(int32_t value) override { std::printf("result %s %d\n", name_.c_str(), value); }

private:
    std::string name_;
};

struct Step {
    enum Kind { START, RUN } kind;
    bool runNow = false;
    std::string name;
    bool withArgs = false;
    std::vector<int32_t> args;
    int32_t elapsed = 0;
    long long times = 1;
};

bool ParseStep(const std::string& s, Step& step) {
    long long v = 0;
    if (s.rfind("run:", 0) == 0) {
        step.kind = Step::RUN;
        std::string rest = s.substr(4);
        size_t star = rest.find('*');
        if (star != std::string::npos) {
            if (!ToolParseInt(rest.substr(star + 1).c_str(), 0, 100000000, step.times, 0)) return false;
            rest = rest.substr(0, star);
        }
        if (!ToolParseInt(rest.c_str(), INT32_MIN, INT32_MAX, v, 0)) return false;
        step.elapsed = static_cast<int32_t>(v);
        return true;
    }
    std::string rest;
    if (s.rfind("start:", 0) == 0) {
        rest = s.substr(6);
    } else if (s.rfind("startnow:", 0) == 0) {
        rest = s.substr(9);
        step.runNow = true;
    } else {
        return false;
    }
    step.kind = Step::START;
    size_t colon = rest.find(':');
    step.name = rest.substr(0, colon);
    if (step.name.empty()) return false;
    if (colon == std::string::npos) return true;
    step.withArgs = true;
    std::string list = rest.substr(colon + 1);
    size_t pos = 0;
    while (!list.empty() && pos <= list.size()) {
        size_t comma = list.find(',', pos);
        if (comma == std::string::npos) comma = list.size();
        if (!ToolParseInt(list.substr(pos, comma - pos).c_str(), INT32_MIN, 0xFFFFFFFFll, v, 0)) return false;
        step.args.push_back(static_cast<int32_t>(static_cast<uint32_t>(v)));
        pos = comma + 1;
    }
    return step.args.size() <= 4;
}

int Assemble(int argc, char** argv) {
    std::string in, out;
    for (int i = 2; i < argc; i++) {
        if (!std::strcmp(argv[i], "-o") && i + 1 < argc) out = argv[++i];
        else if (in.empty()) in = argv[i];
        else return ToolFail(GRIB_EXIT_BAD_INPUT, "script asm: unexpected argument '%s'", argv[i]);
    }
    if (in.empty() || out.empty()) return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib script asm IN -o OUT.cob");
    std::vector<uint8_t> text;
    if (!ToolReadFile(in, text)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: cannot read", in.c_str());
    std::vector<uint8_t> image;
    std::string error;
    if (!AssembleScript(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()), image, error))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s", in.c_str(), error.c_str());
    if (!ToolWriteFile(out, image.data(), image.size()))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: cannot write", out.c_str());
    return GRIB_EXIT_OK;
}

int Disassemble(int argc, char** argv) {
    if (argc != 3) return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib script disasm IN.cob");
    std::vector<uint8_t> bytes;
    if (!ToolReadFile(argv[2], bytes)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: cannot read", argv[2]);
    std::string text, error;
    if (!DisassembleScript(bytes, text, error)) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: not a valid script", argv[2]);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return GRIB_EXIT_OK;
}

void PrintThreads(const ScriptInstance& host) {
    std::printf("threads");
    for (const ScriptThread& t : host.threads) std::printf(" 0x%08X", static_cast<uint32_t>(t.state));
    std::printf("\n");
}

int Trace(int argc, char** argv) {
    std::string file;
    long long rate = 30, seed = 0;
    bool haveSeed = false;
    std::vector<Step> steps;
    for (int i = 2; i < argc; i++) {
        std::string a = argv[i];
        if (a == "--tick-rate" || a == "--seed") {
            if (i + 1 >= argc) return ToolFail(GRIB_EXIT_BAD_INPUT, "script trace: %s needs a value", a.c_str());
            std::string v = argv[++i];
            if (a == "--tick-rate" ? !ToolParseInt(v.c_str(), 1, INT32_MAX, rate, 0) : !ToolParseInt(v.c_str(), INT32_MIN, INT32_MAX, seed, 0))
                return ToolFail(GRIB_EXIT_BAD_INPUT, "script trace: bad %s '%s'", a.c_str(), v.c_str());
            haveSeed |= a == "--seed";
        } else if (file.empty()) {
            file = a;
        } else {
            Step s;
            if (!ParseStep(a, s)) return ToolFail(GRIB_EXIT_BAD_INPUT, "script trace: bad step '%s'", a.c_str());
            steps.push_back(std::move(s));
        }
    }
    if (file.empty()) return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib script trace FILE.cob [--tick-rate R] [--seed S] STEP...");
    std::vector<uint8_t> bytes;
    if (!ToolReadFile(file, bytes)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: cannot read", file.c_str());
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: not a valid script", file.c_str());
    void* block = GRIB_Alloc("Script", bytes.size());
    if (!block) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: out of memory", file.c_str());
    std::memcpy(block, bytes.data(), bytes.size());
    std::unique_ptr<ScriptFile, void (*)(ScriptFile*)> script(
        LoadScriptFromBlock(block, static_cast<int32_t>(bytes.size())), FreeScript);
    if (!script) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: not a valid script", file.c_str());
    if (haveSeed) SetScriptRandomState(static_cast<int32_t>(seed));

    int status = GRIB_EXIT_OK;
    {
        TraceHost host(script->pieceCount);
        host.tickRate = static_cast<int32_t>(rate);
        AttachScript(&host, script.get());
        std::deque<TraceReceiver> receivers;
        for (const Step& s : steps) {
            if (s.kind == Step::RUN) {
                for (long long n = 0; n < s.times; n++) {
                    std::printf("run %d\n", s.elapsed);
                    RunScript(&host, s.elapsed);
                    PrintThreads(host);
                }
                continue;
            }
            receivers.emplace_back(s.name);
            int started;
            if (s.withArgs) {
                int32_t a[4] = {0, 0, 0, 0};
                for (size_t k = 0; k < s.args.size(); k++) a[k] = s.args[k];
                started = StartFunctionWithArgs(&host, s.name.c_str(), &receivers.back(), s.runNow,
                                                static_cast<int32_t>(s.args.size()), a[0], a[1], a[2], a[3]);
            } else {
                started = StartFunction(&host, s.name.c_str(), &receivers.back(), s.runNow);
            }
            std::printf("start %s %d\n", s.name.c_str(), started);
        }
    }
    if (std::fflush(stdout) != 0) status = GRIB_EXIT_BAD_INPUT;
    return status;
}

}  // namespace

int GribCmd_Script(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    if (argc < 2) return ToolUsageError(kUsage);
    std::string sub = argv[1];
    if (sub == "asm") return Assemble(argc, argv);
    if (sub == "disasm") return Disassemble(argc, argv);
    if (sub == "trace") return Trace(argc, argv);
    return ToolFail(GRIB_EXIT_BAD_INPUT, "script: unknown command '%s' (see grib script --help)", sub.c_str());
}
