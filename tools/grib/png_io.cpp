#include "tools/grib/png_io.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <unordered_map>

#include "grib/palette/palette.h"
#include "tools/grib/common.h"

namespace {

struct PngFile {
    FILE* f = nullptr;
    ~PngFile() {
        if (f) std::fclose(f);
    }
};

void ErrorFn(png_structp png, png_const_charp message) {
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error) *error = message;
    png_longjmp(png, 1);
}
void WarningFn(png_structp, png_const_charp) {}

// libpng's reader state; the jump target lives in ReadRaw.
struct RawImage {
    uint32_t width = 0, height = 0;
    bool indexed = false;
    std::vector<uint8_t> data;  // indices when indexed, else RGBA
    std::vector<png_color> plte;
    std::vector<uint8_t> trns;
};

bool ReadRaw(FILE* f, RawImage* raw, std::string* error) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, ErrorFn, WarningFn);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_init_io(png, f);
    png_read_info(png, info);
    uint32_t width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    int type = png_get_color_type(png, info), depth = png_get_bit_depth(png, info);
    if (width > 16384 || height > 16384) png_error(png, "image too large");
    raw->width = width;
    raw->height = height;
    raw->indexed = type == PNG_COLOR_TYPE_PALETTE;
    if (raw->indexed) {
        png_colorp plte = nullptr;
        int n = 0;
        png_get_PLTE(png, info, &plte, &n);
        raw->plte.assign(plte, plte + n);
        png_bytep trns = nullptr;
        int nt = 0;
        if (png_get_tRNS(png, info, &trns, &nt, nullptr) && trns) raw->trns.assign(trns, trns + nt);
        if (depth < 8) png_set_packing(png);
    } else {
        if (depth == 16) png_set_strip_16(png);
        if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
        if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
        if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
        if (!(type & PNG_COLOR_MASK_ALPHA)) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    size_t expect = raw->indexed ? width : size_t{width} * 4;
    if (rowBytes != expect) png_error(png, "unsupported pixel layout");
    raw->data.assign(rowBytes * height, 0);
    rows.resize(height);
    for (uint32_t y = 0; y < height; ++y) rows[y] = raw->data.data() + rowBytes * y;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

}  // namespace

bool PngWriteIndexed(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
                     uint32_t pitch, const uint8_t* palette, std::string* error) {
    if (!width || !height) {
        if (error) *error = "empty image";
        return false;
    }
    PngFile file;
    file.f = std::fopen(ToolDiskPath(path).c_str(), "wb");
    if (!file.f) {
        if (error) *error = "can't write the file";
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, error, ErrorFn, WarningFn);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return false;
    }
    png_init_io(png, file.f);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color plte[256];
    for (int i = 0; i < 256; ++i) plte[i] = png_color{palette[i * 4], palette[i * 4 + 1], palette[i * 4 + 2]};
    png_set_PLTE(png, info, plte, 256);
    png_write_info(png, info);
    for (uint32_t y = 0; y < height; ++y)
        png_write_row(png, const_cast<png_bytep>(pixels + static_cast<size_t>(y) * pitch));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    bool ok = std::fflush(file.f) == 0;
    if (!ok && error) *error = "can't write the file";
    return ok;
}

bool PngReadIndexed(const std::string& path, const uint8_t* palette, int transparentIndex, PngIndexed* out,
                    std::string* error) {
    PngFile file;
    file.f = std::fopen(ToolDiskPath(path).c_str(), "rb");
    if (!file.f) {
        if (error) *error = "can't open the file";
        return false;
    }
    uint8_t signature[8];
    if (std::fread(signature, 1, 8, file.f) != 8 || png_sig_cmp(signature, 0, 8)) {
        if (error) *error = "not a PNG file";
        return false;
    }
    std::rewind(file.f);
    RawImage raw;
    std::string message;
    if (!ReadRaw(file.f, &raw, &message)) {
        if (error) *error = message.empty() ? "damaged PNG file" : message;
        return false;
    }
    out->width = raw.width;
    out->height = raw.height;
    size_t n = size_t{raw.width} * raw.height;
    out->pixels.assign(n, 0);
    std::unordered_map<uint32_t, uint8_t> cache;
    auto map = [&](uint8_t r, uint8_t g, uint8_t b, uint8_t a) -> uint8_t {
        if (a < 128 && transparentIndex >= 0 && transparentIndex <= 255) return static_cast<uint8_t>(transparentIndex);
        uint32_t colour = GRIB_RGB(r, g, b);
        auto found = cache.find(colour);
        if (found != cache.end()) return found->second;
        uint8_t index = static_cast<uint8_t>(GRIB_NearestColor(palette, colour));
        cache.emplace(colour, index);
        return index;
    };
    if (raw.indexed) {
        // Indices are kept when the PNG's colour table matches the palette.
        bool same = true;
        for (size_t i = 0; i < raw.plte.size() && i < 256; ++i)
            if (raw.plte[i].red != palette[i * 4] || raw.plte[i].green != palette[i * 4 + 1] ||
                raw.plte[i].blue != palette[i * 4 + 2])
                same = false;
        for (size_t k = 0; k < n; ++k) {
            uint8_t index = raw.data[k];
            uint8_t alpha = index < raw.trns.size() ? raw.trns[index] : 255;
            if (index >= raw.plte.size()) {
                out->pixels[k] = map(0, 0, 0, alpha);
            } else if (same && (alpha >= 128 || transparentIndex < 0)) {
                out->pixels[k] = index;
            } else {
                const png_color& c = raw.plte[index];
                out->pixels[k] = map(c.red, c.green, c.blue, alpha);
            }
        }
    } else {
        for (size_t k = 0; k < n; ++k) {
            const uint8_t* p = raw.data.data() + 4 * k;
            out->pixels[k] = map(p[0], p[1], p[2], p[3]);
        }
    }
    return true;
}
