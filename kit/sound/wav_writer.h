// Writes .wav sound files: 8-bit mono PCM, the form the viewer plays.
#pragma once

#include <cstdint>
#include <vector>

// A whole file of the unsigned 8-bit samples (128 is silence). An odd count
// gets the pad byte the format wants, counted in the RIFF length.
std::vector<uint8_t> KitWriteWav(const std::vector<uint8_t>& samples, uint32_t sampleRate = 11025);
