// The input as model text and as a Wavefront OBJ; whatever parses is written
// as a .3do, read back structurally and by the model loader, and dumped.
#include <cstdint>
#include <string>

#include "grib/env/env.h"
#include "grib/vfs/vfs.h"
#include "kit/model/model_builder.h"
#include "model/piece.h"
#include "model/readers.h"
#include "tests/fuzz/scratch.h"

namespace {

void Exercise(const KitModel& model) {
    std::vector<uint8_t> bytes = KitWrite3do(model);
    KitModel back;
    std::string error;
    KitRead3do(bytes, back, &error);
    KitDumpModelText(back);
    fuzzscratch::Write("model.3do", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    fuzzscratch::Inside inside;
    FreePieceTree(LoadModel("model.3do", MODEL_TYPE_3DO));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = GRIB_Startup(30, nullptr, 0) != 0;
    (void)started;
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    KitModel model;
    if (KitParseModelText(text, model, &error)) Exercise(model);
    model.clear();
    if (KitParseObj(text, size % 2 ? 1.0 : 1e9, model, &error)) Exercise(model);
    return 0;
}
