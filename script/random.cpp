// The minimal standard generator (16807 x mod 2^31 - 1), one state for the
// whole program.
#include "script/instance.h"

namespace {

constexpr int32_t kModulus = 2147483647;
int32_t g_state = 1;

}  // namespace

int32_t ScriptRandom(int32_t n) {
    if (n < 2) return 0;
    // Schrage's method keeps 16807 * s inside 32 bits.
    int32_t hi = g_state / 127773;
    int32_t lo = g_state % 127773;
    int32_t t = 16807 * lo - 2836 * hi;
    if (t <= 0) t += kModulus;
    g_state = t;
    return static_cast<int32_t>(static_cast<uint32_t>(g_state) % static_cast<uint32_t>(n));
}

void SetScriptRandomState(int32_t state) {
    int64_t s = static_cast<int64_t>(state) % kModulus;
    if (s < 0) s += kModulus;
    g_state = s == 0 ? 1 : static_cast<int32_t>(s);
}

int32_t GetScriptRandomState() { return g_state; }
