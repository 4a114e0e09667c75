// Shared pieces of the script tests: assembling a program into a loaded
// ScriptFile and a host that records every host call.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "kit/script/script_asm.h"
#include "script/instance.h"
#include "script/script_file.h"
#include "tests/support/support.h"

namespace scripttest {

inline std::vector<uint8_t> Assemble(const std::string& source) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(AssembleScript(source, out, error)) << error;
    return out;
}

inline ScriptFile* FromBytes(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return nullptr;
    void* block = GRIB_Alloc("test script", bytes.size());
    std::memcpy(block, bytes.data(), bytes.size());
    return LoadScriptFromBlock(block, static_cast<int32_t>(bytes.size()));
}

struct FileDeleter {
    void operator()(ScriptFile* f) const { FreeScript(f); }
};
using ScriptPtr = std::unique_ptr<ScriptFile, FileDeleter>;

// Positions and angles stored as set and logged, as is host_c; the other
// host calls are the base instance's.
class RecordingHost : public ScriptInstance {
public:
    template <class... N>
    void Log(const char* what, N... n) {
        std::string line = what;
        ((line += " " + std::to_string(n)), ...);
        log.push_back(line);
    }
    int32_t GetPiecePosition(int32_t p, int32_t a) override { return Valid(p, a) ? pos[p][a] : 0; }
    int32_t GetPieceAngle(int32_t p, int32_t a) override { return Valid(p, a) ? angle[p][a] : 0; }
    void SetPiecePosition(int32_t p, int32_t a, int32_t v) override { Set(pos, "set-pos", p, a, v); }
    void SetPieceAngle(int32_t p, int32_t a, int32_t v) override { Set(angle, "set-angle", p, a, v); }
    void SetPieceVisible(int32_t, int32_t) override {}
    void SetPieceCacheFlag(int32_t, int32_t) override {}
    void SetPieceShadeFlag(int32_t, int32_t) override {}
    void HostCommandC(int32_t op, int32_t v) override { Log("host-c", op, v); }
    std::vector<std::string> Take() { return std::exchange(log, {}); }

    std::vector<std::string> log;
    using Table = std::array<std::array<int32_t, 3>, 16>;
    Table pos{}, angle{};

private:
    static bool Valid(int32_t p, int32_t a) { return p >= 0 && p < 16 && a >= 0 && a < 3; }
    void Set(Table& t, const char* what, int32_t p, int32_t a, int32_t v) {
        Log(what, p, a, v);
        if (Valid(p, a)) t[p][a] = v;
    }
};

class Receiver : public CompletionReceiver {
public:
    void Result(int32_t v) override { results.push_back(v); }
    std::vector<int32_t> results;
};

// A test fixture with one script attached to one recording host.
class ScriptTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }

    void Load(const std::string& source) {
        host.reset();
        file.reset(FromBytes(Assemble(source)));
        ASSERT_NE(file, nullptr);
        host = std::make_unique<RecordingHost>();
        AttachScript(host.get(), file.get());
    }
    int Start(const char* name, CompletionReceiver* r = nullptr, int now = 0) {
        return StartFunction(host.get(), name, r, now);
    }
    void Run(int32_t elapsed, int times = 1) {
        for (int i = 0; i < times; i++) RunScript(host.get(), elapsed);
    }
    int32_t State(int t) const { return host->threads[t].state; }
    // The log lines starting with prefix.
    std::vector<std::string> Lines(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const std::string& l : host->log)
            if (l.rfind(prefix, 0) == 0) out.push_back(l);
        return out;
    }
    // Scripts report values with "host_c 1": the values so far, in order.
    std::vector<int32_t> Reported() const {
        std::vector<int32_t> out;
        for (const std::string& l : Lines("host-c 1 ")) out.push_back(std::stoi(l.substr(9)));
        return out;
    }

    ScriptPtr file;
    std::unique_ptr<RecordingHost> host;
};

}  // namespace scripttest
