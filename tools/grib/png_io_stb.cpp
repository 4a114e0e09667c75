#include "tools/grib/png_io.h"

#include <cstring>
#include <unordered_map>

// Where libpng is not at hand (the Windows build): stb's coder, which has
// no indexed PNG, so pictures are written in their palette colours.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_NO_STDIO
#define STBI_ONLY_PNG
#include <stb_image.h>

#include "grib/palette/palette.h"
#include "tools/grib/common.h"

namespace {

void Append(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
}

struct StbPixels {
    stbi_uc* p = nullptr;
    ~StbPixels() { stbi_image_free(p); }
};

}  // namespace

bool PngWriteIndexed(const std::string& path, const uint8_t* pixels, uint32_t width, uint32_t height,
                     uint32_t pitch, const uint8_t* palette, std::string* error) {
    if (!width || !height || width > 16384 || height > 16384) {
        if (error) *error = width && height ? "image too large" : "empty image";
        return false;
    }
    std::vector<uint8_t> rgb(size_t{width} * height * 3);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + size_t{y} * pitch;
        uint8_t* out = rgb.data() + size_t{y} * width * 3;
        for (uint32_t x = 0; x < width; ++x, out += 3) std::memcpy(out, palette + row[x] * 4, 3);
    }
    std::vector<uint8_t> file;
    int w = static_cast<int>(width), h = static_cast<int>(height);
    if (!stbi_write_png_to_func(Append, &file, w, h, 3, rgb.data(), w * 3) ||
        !ToolWriteFile(path, file.data(), file.size())) {
        if (error) *error = "can't write the file";
        return false;
    }
    return true;
}

bool PngReadIndexed(const std::string& path, const uint8_t* palette, int transparentIndex, PngIndexed* out,
                    std::string* error) {
    std::vector<uint8_t> file;
    if (!ToolReadFile(path, file)) {
        if (error) *error = "can't open the file";
        return false;
    }
    if (file.size() < 8 || std::memcmp(file.data(), "\x89PNG\r\n\x1a\n", 8) != 0) {
        if (error) *error = "not a PNG file";
        return false;
    }
    int width = 0, height = 0, channels = 0;
    if (file.size() > INT32_MAX ||
        !stbi_info_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels)) {
        if (error) *error = "damaged PNG file";
        return false;
    }
    if (width > 16384 || height > 16384) {
        if (error) *error = "image too large";
        return false;
    }
    StbPixels rgba;
    rgba.p = stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels, 4);
    if (!rgba.p) {
        if (error) *error = "damaged PNG file";
        return false;
    }
    out->width = static_cast<uint32_t>(width);
    out->height = static_cast<uint32_t>(height);
    size_t n = size_t{out->width} * out->height;
    out->pixels.assign(n, 0);
    std::unordered_map<uint32_t, uint8_t> cache;
    for (size_t k = 0; k < n; ++k) {
        const uint8_t* p = rgba.p + 4 * k;
        if (p[3] < 128 && transparentIndex >= 0 && transparentIndex <= 255) {
            out->pixels[k] = static_cast<uint8_t>(transparentIndex);
            continue;
        }
        uint32_t colour = GRIB_RGB(p[0], p[1], p[2]);
        auto found = cache.find(colour);
        if (found == cache.end())
            found = cache.emplace(colour, static_cast<uint8_t>(GRIB_NearestColor(palette, colour))).first;
        out->pixels[k] = found->second;
    }
    return true;
}
