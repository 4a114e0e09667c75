// The input as script assembly; what assembles is loaded as a script and
// disassembled.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "kit/script/script_asm.h"
#include "script/script_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = GRIB_Startup(30, nullptr, 0) != 0;
    (void)started;
    std::vector<uint8_t> image;
    std::string error;
    if (!AssembleScript(std::string_view(reinterpret_cast<const char*>(data), size), image, error)) return 0;
    std::string text;
    DisassembleScript(image, text, error);
    if (image.empty()) return 0;
    void* block = GRIB_Alloc("Script", image.size());
    if (!block) return 0;
    std::memcpy(block, image.data(), image.size());
    FreeScript(LoadScriptFromBlock(block, static_cast<int32_t>(image.size())));
    return 0;
}
