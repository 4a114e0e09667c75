// LoadScript's checks and RunScript on arbitrary bytes: every function is
// started and the instance runs a few passes.
#include <array>
#include <cstring>
#include <vector>

#include "script/instance.h"
#include "script/script_file.h"
#include "tests/fuzz/fuzz.h"

namespace {

class FuzzHost : public ScriptInstance {
public:
    explicit FuzzHost(int32_t pieces) : pos_(static_cast<size_t>(pieces)), angle_(static_cast<size_t>(pieces)) {}
    int32_t GetPiecePosition(int32_t p, int32_t a) override { return Ok(p, a) ? pos_[p][a] : 0; }
    void SetPiecePosition(int32_t p, int32_t a, int32_t v) override {
        if (Ok(p, a)) pos_[p][a] = v;
    }
    int32_t GetPieceAngle(int32_t p, int32_t a) override { return Ok(p, a) ? angle_[p][a] : 0; }
    void SetPieceAngle(int32_t p, int32_t a, int32_t v) override {
        if (Ok(p, a)) angle_[p][a] = v;
    }
    void SetPieceVisible(int32_t, int32_t) override {}
    void SetPieceCacheFlag(int32_t, int32_t) override {}
    void SetPieceShadeFlag(int32_t, int32_t) override {}

private:
    bool Ok(int32_t p, int32_t a) const { return p >= 0 && static_cast<size_t>(p) < pos_.size() && a >= 0 && a < 3; }
    std::vector<std::array<int32_t, 3>> pos_;
    std::vector<std::array<int32_t, 3>> angle_;
};

class Receiver : public CompletionReceiver {
public:
    void Result(int32_t v) override { last = v; }
    int32_t last = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    if (size == 0 || size > (1u << 20)) return 0;
    void* block = GRIB_Alloc("fuzz script", size);
    std::memcpy(block, data, size);
    ScriptFile* file = LoadScriptFromBlock(block, static_cast<int32_t>(size));
    if (!file) return 0;
    {
        FuzzHost host(file->pieceCount);
        AttachScript(&host, file);
        Receiver receiver;
        for (int32_t i = 0; i < file->functionCount && i < 12; i++) {
            if (i & 1)
                StartFunctionWithArgs(&host, file->functionNames[i], &receiver, i & 2, i % 6, 1, -2, 30000, 7);
            else
                StartFunction(&host, file->functionNames[i], i % 3 ? &receiver : nullptr, i & 2);
        }
        for (int32_t e : {0, 1, 3, 0, 1000, 1})
            RunScript(&host, e);
    }
    FreeScript(file);
    return 0;
}
