// LoadScript's checks and RunScript on arbitrary bytes: every function is
// started and the instance runs a few passes.
#include <cstring>
#include <vector>

#include "script/instance.h"
#include "script/script_file.h"
#include "tests/fuzz/fuzz.h"

namespace {

// Positions and angles of each piece's three axes.
class FuzzHost : public ScriptInstance {
public:
    explicit FuzzHost(int32_t pieces) : values_(static_cast<size_t>(pieces) * 6) {}
    int32_t GetPiecePosition(int32_t p, int32_t a) override { return *At(p, a, 0); }
    void SetPiecePosition(int32_t p, int32_t a, int32_t v) override { *At(p, a, 0) = v; }
    int32_t GetPieceAngle(int32_t p, int32_t a) override { return *At(p, a, 3); }
    void SetPieceAngle(int32_t p, int32_t a, int32_t v) override { *At(p, a, 3) = v; }
    void SetPieceVisible(int32_t, int32_t) override {}
    void SetPieceCacheFlag(int32_t, int32_t) override {}
    void SetPieceShadeFlag(int32_t, int32_t) override {}

private:
    // Out of range: a scratch value that reads 0.
    int32_t* At(int32_t p, int32_t a, size_t angle) {
        const size_t i = static_cast<size_t>(p) * 6 + angle + static_cast<size_t>(a);
        return p >= 0 && a >= 0 && a < 3 && i < values_.size() ? &values_[i] : &(spare_ = 0);
    }
    std::vector<int32_t> values_;
    int32_t spare_ = 0;
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
