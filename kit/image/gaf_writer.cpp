#include "kit/image/gaf_writer.h"

#include <algorithm>
#include <cstring>

#include "grib/env/bytes.h"

namespace {

void Put16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
size_t Reserve(std::vector<uint8_t>& out, size_t n) {
    size_t at = out.size();
    out.resize(at + n, 0);
    return at;
}

void EncodeRow(const uint8_t* row, uint32_t width, uint8_t transparent, std::vector<uint8_t>& codes) {
    uint32_t x = 0;
    while (x < width) {
        uint32_t n = 1;
        if (row[x] == transparent) {
            while (x + n < width && n < 127 && row[x + n] == transparent) ++n;
            codes.push_back(static_cast<uint8_t>((n << 1) | 1));
        } else {
            while (x + n < width && n < 64 && row[x + n] == row[x]) ++n;
            if (n >= 2) {
                codes.push_back(static_cast<uint8_t>(((n - 1) << 2) | 2));
                codes.push_back(row[x]);
            } else {
                // Literal bytes up to the next transparent pixel or pair.
                while (x + n < width && n < 64 && row[x + n] != transparent &&
                       !(x + n + 1 < width && row[x + n + 1] == row[x + n]))
                    ++n;
                codes.push_back(static_cast<uint8_t>((n - 1) << 2));
                codes.insert(codes.end(), row + x, row + x + n);
            }
        }
        x += n;
    }
}

uint32_t WriteImage(std::vector<uint8_t>& out, const KitGafImage& image) {
    size_t header = Reserve(out, 24);
    Put16(out, header + 0, image.width);
    Put16(out, header + 2, image.height);
    Put16(out, header + 4, static_cast<uint16_t>(image.originX));
    Put16(out, header + 6, static_cast<uint16_t>(image.originY));
    out[header + 8] = image.transparent;
    out[header + 9] = image.compress && image.subImages.empty() ? 1 : 0;
    out[header + 10] = static_cast<uint8_t>(std::min<size_t>(image.subImages.size(), 255));
    out[header + 11] = image.translucent;
    if (!image.subImages.empty()) {
        size_t count = std::min<size_t>(image.subImages.size(), 255);
        size_t table = Reserve(out, 4 * count);
        Put32(out, header + 16, static_cast<uint32_t>(table));
        for (size_t k = 0; k < count; ++k) {
            uint32_t sub = WriteImage(out, image.subImages[k]);
            Put32(out, table + 4 * k, sub);
        }
        return static_cast<uint32_t>(header);
    }
    Put32(out, header + 16, static_cast<uint32_t>(out.size()));
    size_t n = static_cast<size_t>(image.width) * image.height;
    std::vector<uint8_t> pixels(image.pixels);
    pixels.resize(n, image.transparent);
    if (image.compress) {
        std::vector<uint8_t> rows = KitEncodeRows(pixels.data(), image.width, image.height, image.transparent);
        out.insert(out.end(), rows.begin(), rows.end());
    } else {
        out.insert(out.end(), pixels.begin(), pixels.end());
    }
    return static_cast<uint32_t>(header);
}

}  // namespace

std::vector<uint8_t> KitEncodeRows(const uint8_t* pixels, uint32_t width, uint32_t height, uint8_t transparent) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> codes;
    for (uint32_t y = 0; y < height; ++y) {
        codes.clear();
        EncodeRow(pixels + static_cast<size_t>(y) * width, width, transparent, codes);
        out.push_back(static_cast<uint8_t>(codes.size()));
        out.push_back(static_cast<uint8_t>(codes.size() >> 8));
        out.insert(out.end(), codes.begin(), codes.end());
    }
    return out;
}

std::vector<uint8_t> KitWriteGAF(const std::vector<KitGafEntry>& entries) {
    std::vector<uint8_t> out(12, 0);
    Put32(out, 0, 0x00010100);  // format id
    size_t count = std::min<size_t>(entries.size(), 32767);
    Put16(out, 4, static_cast<uint32_t>(count));
    size_t offsets = Reserve(out, 4 * count);
    std::vector<size_t> entryAt(count);
    for (size_t i = 0; i < count; ++i) {
        const KitGafEntry& e = entries[i];
        size_t frames = std::min<size_t>(e.frames.size(), 65535);
        size_t at = Reserve(out, 40 + 8 * frames);
        entryAt[i] = at;
        Put32(out, offsets + 4 * i, static_cast<uint32_t>(at));
        Put16(out, at, static_cast<uint32_t>(frames));
        Put16(out, at + 2, e.loop ? 1 : 0);
        std::memcpy(out.data() + at + 8, e.name.data(), std::min<size_t>(e.name.size(), 31));
    }
    for (size_t i = 0; i < count; ++i) {
        const KitGafEntry& e = entries[i];
        size_t frames = std::min<size_t>(e.frames.size(), 65535);
        for (size_t j = 0; j < frames; ++j) {
            uint32_t image = WriteImage(out, e.frames[j].image);
            size_t slot = entryAt[i] + 40 + 8 * j;
            Put32(out, slot, image);
            Put16(out, slot + 4, e.frames[j].duration);
        }
    }
    return out;
}

bool KitDecodeRows(const uint8_t* rows, size_t rowsSize, uint32_t width, uint32_t height, uint8_t fill,
                   std::vector<uint8_t>& pixels) {
    pixels.assign(size_t{width} * height, fill);
    size_t at = 0;
    bool clean = true;
    for (uint32_t y = 0; y < height; ++y) {
        if (rowsSize - at < 2) return false;
        size_t length = GribBytes{rows, rowsSize}.U16(at);
        at += 2;
        if (length > rowsSize - at) return false;
        const uint8_t* code = rows + at;
        const uint8_t* end = code + length;
        at += length;
        uint8_t* out = pixels.data() + size_t{y} * width;
        uint32_t x = 0;
        while (code < end) {
            uint8_t b = *code++;
            uint32_t n;
            if (b & 1) {
                n = b >> 1;
                if (n > width - x) clean = false, n = width - x;
            } else if (b & 2) {
                n = (b >> 2) + 1u;
                if (code >= end) return false;
                uint8_t v = *code++;
                if (n > width - x) clean = false, n = width - x;
                std::memset(out + x, v, n);
            } else {
                n = (b >> 2) + 1u;
                if (static_cast<size_t>(end - code) < n) return false;
                uint32_t m = n > width - x ? (clean = false, width - x) : n;
                std::memcpy(out + x, code, m);
                code += n;
                n = m;
            }
            x += n;
        }
    }
    return clean;
}
