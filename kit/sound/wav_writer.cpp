#include "kit/sound/wav_writer.h"

#include <algorithm>
#include <cstring>

std::vector<uint8_t> KitWriteWav(const std::vector<uint8_t>& samples, uint32_t rate) {
    const uint32_t n = uint32_t(samples.size()), pad = n & 1;
    std::vector<uint8_t> w(44 + n + pad, 128);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) w[at + size_t(k)] = uint8_t(v >> (8 * k));
    };
    std::memcpy(&w[0], "RIFF", 4);
    put(4, 36 + n + pad, 4);
    std::memcpy(&w[8], "WAVEfmt ", 8);
    put(16, 16, 4);   // format record length
    put(20, 1, 2);    // PCM
    put(22, 1, 2);    // mono
    put(24, rate, 4);
    put(28, rate, 4);  // bytes per second
    put(32, 1, 2);     // block align
    put(34, 8, 2);     // bits per sample
    std::memcpy(&w[36], "data", 4);
    put(40, n, 4);
    std::copy(samples.begin(), samples.end(), w.begin() + 44);
    return w;
}
