// The input as model text and as a Wavefront OBJ; whatever parses is written
// as a .3do, read back structurally and by the model loader, and dumped.
#include <string>

#include "grib/vfs/vfs.h"
#include "kit/model/model_builder.h"
#include "model/piece.h"
#include "model/readers.h"
#include "tests/fuzz/fuzz.h"

namespace {

void Exercise(const KitModel& model) {
    std::vector<uint8_t> bytes = KitWrite3do(model);
    KitModel back;
    std::string error;
    KitRead3do(bytes, back, &error);
    KitDumpModelText(back);
    fuzz::Write("model.3do", std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    fuzz::Inside inside;
    FreePieceTree(LoadModel("model.3do", MODEL_TYPE_3DO));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    const std::string text(fuzz::Text(data, size));
    std::string error;
    KitModel model;
    if (KitParseModelText(text, model, &error)) Exercise(model);
    model.clear();
    if (KitParseObj(text, size % 2 ? 1.0 : 1e9, model, &error)) Exercise(model);
    return 0;
}
