// Loads the input as a text data file, then enters every section named in
// it (also nested) and reads every key it names with each getter. Traps when
// a lookup leaves the text changed or returns a pointer outside it.
#include <cstring>
#include <string>
#include <vector>

#include "grib/tdf/tdf.h"
#include "tests/fuzz/fuzz.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The words after '[' (section names) and after '{' or ';' (keys), capped so
// that one input stays quick.
std::vector<std::string> Words(const char* text) {
    std::vector<std::string> words = {"", "a", std::string(253, 'a'), std::string(254, 'a')};
    for (const char* p = text; *p && words.size() < 40; ++p) {
        if (*p != '[' && *p != '{' && *p != ';') continue;
        size_t n = std::strcspn(p + 1, "[]=;{}");
        words.emplace_back(p + 1, n < 300 ? n : 300);
    }
    return words;
}

void ReadKeys(TdfFile& tdf, const std::vector<std::string>& words, const std::string& normalised) {
    const char* end = tdf.text + normalised.size();
    char buffer[64];
    for (const std::string& key : words) {
        const char* v = TDF_FindKey(&tdf, key.c_str());
        if (v) Check(v > tdf.text && v <= end && v[-1] == '=');
        TDF_GetIntDefault(&tdf, key.c_str(), 0);
        TDF_GetFloatDefault(&tdf, key.c_str(), 0.0);
        TDF_GetString(&tdf, buffer, key.c_str(), static_cast<int32_t>(key.size() % sizeof buffer));
        Check(std::strlen(buffer) < sizeof buffer);
        Check(normalised == tdf.text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    fuzz::WriteAlone("input.tdf", data, size);
    fuzz::Inside inside;
    TdfFile tdf;
    if (!TDF_Load(&tdf, "input.tdf")) {
        Check(size == 0 && tdf.text == nullptr);
        return 0;
    }
    Check(tdf.length == size && tdf.text[size] == 0);
    const std::string normalised(tdf.text);
    const std::vector<std::string> words = Words(tdf.text);
    for (const std::string& outer : words) {
        TDF_Rewind(&tdf);
        if (!TDF_EnterSection(&tdf, outer.c_str())) {
            Check(tdf.currentSection == nullptr);
            continue;
        }
        Check(*tdf.currentSection == '{');
        ReadKeys(tdf, words, normalised);
        char* outerBrace = tdf.currentSection;
        for (const std::string& inner : words) {
            tdf.currentSection = outerBrace;
            if (TDF_EnterSection(&tdf, inner.c_str())) {
                Check(*tdf.currentSection == '{' && tdf.currentSection > outerBrace);
                ReadKeys(tdf, words, normalised);
                TDF_EnterSection(&tdf, inner.c_str());
            }
            Check(normalised == tdf.text);
        }
    }
    TDF_Free(&tdf);
    TDF_Free(&tdf);
    return 0;
}
