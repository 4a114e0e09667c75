// Integers stored in file images (little-endian, and the big-endian ones of
// the LightWave format), read with a check against the image's end. A read
// that would pass the end gives 0, so a reader never reads outside its image
// even where it tests a length only after reading.
#pragma once

#include <cstddef>
#include <cstdint>

struct GribBytes {
    const uint8_t* data = nullptr;
    size_t size = 0;

    // True when count bytes from offset lie inside the image.
    bool Has(uint64_t offset, uint64_t count) const { return offset <= size && count <= size - offset; }

    uint8_t U8(uint64_t at) const { return Has(at, 1) ? data[at] : 0; }
    uint16_t U16(uint64_t at) const {
        return Has(at, 2) ? static_cast<uint16_t>(data[at] | data[at + 1] << 8) : 0;
    }
    uint32_t U32(uint64_t at) const {
        if (!Has(at, 4)) return 0;
        return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
               static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
    }
    int16_t I16(uint64_t at) const { return static_cast<int16_t>(U16(at)); }
    int32_t I32(uint64_t at) const { return static_cast<int32_t>(U32(at)); }

    uint16_t BE16(uint64_t at) const {
        return Has(at, 2) ? static_cast<uint16_t>(data[at] << 8 | data[at + 1]) : 0;
    }
    uint32_t BE32(uint64_t at) const {
        if (!Has(at, 4)) return 0;
        return static_cast<uint32_t>(data[at]) << 24 | static_cast<uint32_t>(data[at + 1]) << 16 |
               static_cast<uint32_t>(data[at + 2]) << 8 | static_cast<uint32_t>(data[at + 3]);
    }
};
