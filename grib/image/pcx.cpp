// 8-bit PCX images: a 128-byte header, run-length rows and a 768-byte colour
// map at the end of the file.
#include <cstring>
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/env/bytes.h"
#include "grib/env/env.h"
#include "grib/image/pcx.h"
#include "grib/vfs/vfs.h"

namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kColourMapSize = 768;

struct PcxLayout {
    int32_t width;
    int32_t height;
    size_t lineBytes;  // bytes decoded per row; the first width are kept
};

// Checks the header against the file length. Beyond the two id bytes, a file
// is refused when its rows can't fit the data between header and colour map
// (so a damaged size never turns into a huge allocation).
bool CheckHeader(const uint8_t* header, size_t fileSize, PcxLayout* layout) {
    const GribBytes h{header, kHeaderSize};
    if (h.U8(0) != 10 || h.U8(1) != 5) return false;
    if (fileSize < kHeaderSize + kColourMapSize) return false;
    int32_t width = static_cast<int32_t>(h.U16(8)) - h.U16(4) + 1;
    int32_t height = static_cast<int32_t>(h.U16(10)) - h.U16(6) + 1;
    if (width <= 0 || height <= 0) return false;
    // Rows are width bytes of one plane, unless the header declares a
    // single plane with padded lines (writers pad lines to an even length).
    size_t lineBytes = static_cast<size_t>(width);
    size_t declared = h.U16(66);
    if (h.U8(65) == 1 && declared > lineBytes) lineBytes = declared;
    // Every code yields at most 63 bytes and no run crosses a row.
    size_t dataBytes = fileSize - kHeaderSize - kColourMapSize;
    size_t minPerRow = (lineBytes + 62) / 63;
    if (static_cast<uint64_t>(minPerRow) * static_cast<uint64_t>(height) > dataBytes) return false;
    layout->width = width;
    layout->height = height;
    layout->lineBytes = lineBytes;
    return true;
}

// Decodes height rows from data[0..size). 0 when the data runs out.
bool DecodeRows(const uint8_t* data, size_t size, const PcxLayout& layout, uint8_t* body) {
    size_t in = 0;
    const size_t width = static_cast<size_t>(layout.width);
    for (int32_t row = 0; row < layout.height; ++row) {
        uint8_t* out = body + static_cast<size_t>(row) * width;
        size_t done = 0;
        while (done < layout.lineBytes) {
            if (in >= size) return false;
            uint8_t b = data[in++];
            size_t n = 1;
            if (b >= 0xC0) {
                if (in >= size) return false;
                n = b & 0x3F;
                b = data[in++];
            }
            // A run longer than the rest of the row is cut there.
            size_t take = n < layout.lineBytes - done ? n : layout.lineBytes - done;
            if (done < width) std::memset(out + done, b, (done + take <= width ? take : width - done));
            done += take;
        }
    }
    return true;
}

}  // namespace

void GRIB_FreeDecodedPCX(GribDecodedPCX* pcx) {
    if (!pcx) return;
    if (pcx->body) GRIB_Free(pcx->body);
    if (pcx->colourMap) GRIB_Free(pcx->colourMap);
    *pcx = GribDecodedPCX{};
}

int GRIB_DecodePCXMemory(const uint8_t* data, size_t size, GribDecodedPCX* out) {
    *out = GribDecodedPCX{};
    PcxLayout layout;
    if (!data || size < kHeaderSize || !CheckHeader(data, size, &layout)) return 0;
    size_t bodySize = static_cast<size_t>(layout.width) * static_cast<size_t>(layout.height);
    out->body = static_cast<uint8_t*>(GRIB_Alloc("PCX BODY", bodySize));
    if (!out->body) return 0;
    out->colourMap = static_cast<uint8_t*>(GRIB_Alloc("COLOR MAP", kColourMapSize));
    if (!out->colourMap) {
        GRIB_FreeDecodedPCX(out);
        return 0;
    }
    std::memcpy(out->colourMap, data + size - kColourMapSize, kColourMapSize);
    if (!DecodeRows(data + kHeaderSize, size - kHeaderSize - kColourMapSize, layout, out->body)) {
        GRIB_FreeDecodedPCX(out);
        return 0;
    }
    out->width = layout.width;
    out->height = layout.height;
    return 1;
}

int GRIB_DecodePCX(FileHandle* file, GribDecodedPCX* out) {
    *out = GribDecodedPCX{};
    if (!file) return 0;
    int32_t length = GRIB_Length(file);
    if (length < static_cast<int32_t>(kHeaderSize + kColourMapSize) || GRIB_Seek(file, 0) == -1) return 0;
    std::vector<uint8_t> image;
    try {
        image.resize(static_cast<size_t>(length));
    } catch (...) {
        return 0;
    }
    if (GRIB_Read(file, image.data(), length) != length) return 0;
    return GRIB_DecodePCXMemory(image.data(), image.size(), out);
}

GribBitmap* GRIB_LoadPCX(const char* path, uint8_t* paletteOut) {
    FileHandle* file = GRIB_Open(path);
    if (!file) return nullptr;
    uint8_t header[kHeaderSize];
    PcxLayout layout;
    int32_t length = GRIB_Length(file);
    if (GRIB_Read(file, header, kHeaderSize) != static_cast<int32_t>(kHeaderSize) || length < 0 ||
        !CheckHeader(header, static_cast<size_t>(length), &layout)) {
        GRIB_Close(file);
        return nullptr;
    }
    GribBitmap* bitmap = GRIB_CreateBitmap(path, static_cast<uint32_t>(layout.width),
                                           static_cast<uint32_t>(layout.height));
    if (!bitmap) {
        GRIB_Close(file);
        return nullptr;
    }
    GribDecodedPCX pcx;
    int ok = GRIB_Seek(file, 0) != -1 && GRIB_DecodePCX(file, &pcx);
    GRIB_Close(file);
    if (!ok || pcx.width != layout.width || pcx.height != layout.height) {
        GRIB_FreeDecodedPCX(&pcx);
        GRIB_FreeBitmap(bitmap);
        return nullptr;
    }
    std::memcpy(bitmap->pixels, pcx.body, static_cast<size_t>(pcx.width) * static_cast<size_t>(pcx.height));
    if (paletteOut) {
        for (int i = 0; i < 256; ++i) {
            paletteOut[i * 4 + 0] = pcx.colourMap[i * 3 + 0];
            paletteOut[i * 4 + 1] = pcx.colourMap[i * 3 + 1];
            paletteOut[i * 4 + 2] = pcx.colourMap[i * 3 + 2];
            paletteOut[i * 4 + 3] = 0;
        }
    }
    GRIB_FreeDecodedPCX(&pcx);
    return bitmap;
}
