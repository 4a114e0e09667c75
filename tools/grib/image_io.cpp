#include "tools/grib/image_io.h"

#include "grib/env/env.h"
#include "grib/env/names.h"
#include "grib/image/pcx.h"
#include "grib/palette/palette.h"
#include "kit/image/pcx_writer.h"
#include "tools/grib/common.h"
#include "tools/grib/png_io.h"

bool ToolHasExtension(const std::string& path, const char* extension) {
    return GRIB_HasSuffix(path.c_str(), extension);
}

int ToolReadImage(const std::string& path, const std::vector<uint8_t>& palette, int transparentIndex,
                  ToolImage* out) {
    if (ToolHasExtension(path, ".pcx")) {
        std::vector<uint8_t> bytes;
        if (!ToolReadFile(path, bytes)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: can't read the file", path.c_str());
        GribDecodedPCX pcx;
        if (!GRIB_DecodePCXMemory(bytes.data(), bytes.size(), &pcx))
            return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: not a valid 8-bit PCX file", path.c_str());
        out->width = static_cast<uint32_t>(pcx.width);
        out->height = static_cast<uint32_t>(pcx.height);
        out->pixels.assign(pcx.body, pcx.body + size_t{out->width} * out->height);
        out->palette.assign(1024, 0);
        for (int i = 0; i < 256; ++i)
            for (int c = 0; c < 3; ++c) out->palette[i * 4 + c] = pcx.colourMap[i * 3 + c];
        GRIB_FreeDecodedPCX(&pcx);
        return GRIB_EXIT_OK;
    }
    if (ToolHasExtension(path, ".png")) {
        if (palette.size() < 1024)
            return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: a PNG image needs --palette", path.c_str());
        PngIndexed png;
        std::string error;
        if (!PngReadIndexed(path, palette.data(), transparentIndex, &png, &error)) {
            int code = error.rfind("can't", 0) == 0 ? GRIB_EXIT_NOT_FOUND : GRIB_EXIT_BAD_INPUT;
            return ToolFail(code, "%s: %s", path.c_str(), error.c_str());
        }
        out->width = png.width;
        out->height = png.height;
        out->pixels = std::move(png.pixels);
        out->palette.assign(palette.begin(), palette.begin() + 1024);
        return GRIB_EXIT_OK;
    }
    return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: expected a .png or .pcx file", path.c_str());
}

int ToolWriteImage(const std::string& path, const ToolImage& image) {
    if (image.palette.size() < 1024) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: no palette for the image", path.c_str());
    if (!image.width || !image.height || image.width > 65535 || image.height > 65535)
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write an image of %ux%u pixels", path.c_str(), image.width,
                        image.height);
    if (ToolHasExtension(path, ".pcx")) {
        std::vector<uint8_t> bytes =
            KitWritePCXPalette(image.pixels.data(), image.width, image.height, image.width, image.palette.data());
        if (!ToolWriteFile(path, bytes.data(), bytes.size()))
            return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write the file", path.c_str());
        return GRIB_EXIT_OK;
    }
    if (ToolHasExtension(path, ".png")) {
        std::string error;
        if (!PngWriteIndexed(path, image.pixels.data(), image.width, image.height, image.width, image.palette.data(),
                             &error))
            return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s", path.c_str(), error.c_str());
        return GRIB_EXIT_OK;
    }
    return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: expected a .png or .pcx file", path.c_str());
}

std::vector<uint8_t> ToolGreyPalette() {
    std::vector<uint8_t> p(1024, 0);
    for (int i = 0; i < 256; ++i) p[4 * i] = p[4 * i + 1] = p[4 * i + 2] = uint8_t(i);
    return p;
}

bool ToolLoadPalette(const std::string& path, std::vector<uint8_t>& palette, std::string* error) {
    if (!ToolReadFile(path, palette)) {
        if (error) *error = "can't read the palette";
        return false;
    }
    if (palette.size() < GRIB_PALETTE_SIZE) {
        if (error) *error = "a palette file holds 1024 bytes";
        return false;
    }
    palette.resize(GRIB_PALETTE_SIZE);
    return true;
}
