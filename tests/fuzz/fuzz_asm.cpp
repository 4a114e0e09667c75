// The input as script assembly; what assembles is loaded as a script and
// disassembled.
#include <cstring>
#include <string>
#include <vector>

#include "kit/script/script_asm.h"
#include "script/script_file.h"
#include "tests/fuzz/fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    std::vector<uint8_t> image;
    std::string error;
    if (!AssembleScript(fuzz::Text(data, size), image, error)) return 0;
    std::string text;
    DisassembleScript(image, text, error);
    if (image.empty()) return 0;
    void* block = GRIB_Alloc("Script", image.size());
    if (!block) return 0;
    std::memcpy(block, image.data(), image.size());
    FreeScript(LoadScriptFromBlock(block, static_cast<int32_t>(image.size())));
    return 0;
}
