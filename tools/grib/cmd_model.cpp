// grib model: inspect, render, build and dump unit models.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "grib/bitmap/bitmap.h"
#include "grib/env/env.h"
#include "grib/image/textures.h"
#include "kit/image/palette_tables.h"
#include "kit/model/model_builder.h"
#include "model/piece.h"
#include "model/readers.h"
#include "model/scene.h"
#include "tools/grib/common.h"
#include "tools/grib/image_io.h"
#include "tools/grib/png_io.h"

namespace {

const char kUsage[] =
    "usage: grib model info FILE\n"
    "       grib model render FILE --size WxH --out OUT [--scale S] [--base-scale B]\n"
    "           [--depth-mode 0|1] [--lit 0|1] [--light X,Y,Z] [--angles X,Y,Z] [--offset X,Y,Z]\n"
    "           [--clear I] [--solid I] [--outline I] [--show-selection I]\n"
    "           [--palette P.pal] [--shade T.shd] [--textures DIR]\n"
    "       grib model build IN.txt|IN.obj -o OUT.3do [--scale S]\n"
    "       grib model dump FILE.3do\n"
    "       grib model export FILE --out OUT.glb|OUT.gltf [--palette P.pal] [--textures DIR]\n"
    "OUT of render: .raw (W*H palette indices, row 0 first), .png or .pcx.\n"
    "The text format of build and dump: docs/model-text-format.md.\n";

bool FileExists(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f) std::fclose(f);
    return f != nullptr;
}

int LoadOrFail(const std::string& given, Piece** out) {
    std::string path = ToolDiskPath(given);
    if (!FileExists(path)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: not found", given.c_str());
    *out = LoadModel(path.c_str(), MODEL_TYPE_DETECT);
    if (!*out) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: not a valid model", given.c_str());
    return GRIB_EXIT_OK;
}

int Info(int argc, char** argv) {
    if (argc != 3) return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib model info FILE");
    Piece* root = nullptr;
    if (int rc = LoadOrFail(argv[2], &root)) return rc;
    static const char* kTypes[] = {"", "", "3do", "lwo", "3ds"};
    std::printf("type %s\n", kTypes[DetectModelType(ToolDiskPath(argv[2]).c_str())]);
    // Display order: a piece, its children (indented), then its next sibling.
    struct Item {
        Piece* piece;
        int depth;
    };
    std::vector<Item> stack{{root, 0}};
    while (!stack.empty()) {
        Item it = stack.back();
        stack.pop_back();
        const Piece* p = it.piece;
        std::printf("%*spiece %s offset %.9g %.9g %.9g vertices %d polygons %d\n", it.depth * 2, "",
                    p->name[0] ? p->name : "-", p->offset[0], p->offset[1], p->offset[2], p->vertexCount,
                    p->polygonCount);
        if (p->sibling) stack.push_back({p->sibling, it.depth});
        if (p->child) stack.push_back({p->child, it.depth + 1});
    }
    FreePieceTree(root);
    return GRIB_EXIT_OK;
}

bool ParseTriple(const char* text, double out[3]) {
    char* end = nullptr;
    for (int i = 0; i < 3; ++i) {
        out[i] = std::strtod(text, &end);
        if (end == text || !std::isfinite(out[i])) return false;
        if (i < 2) {
            if (*end != ',') return false;
            text = end + 1;
        }
    }
    return *end == 0;
}

bool ParseDouble(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && *end == 0 && std::isfinite(out);
}

int Render(int argc, char** argv) {
    if (argc < 3) return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib model render FILE --size WxH --out OUT ...");
    std::string file = argv[2], out, palettePath, shadePath, texturesDir;
    long width = 0, height = 0, clear = 0, solid = -1, outline = -1, selection = -1, depthMode = 1, lit = 0;
    double scale = 1, baseScale = 2.5, light[3] = {-0.75, -0.75, -2.25}, angles[3] = {0, 0, 0}, offset[3] = {0, 0, 0};
    auto number = [](double& into) { return [&into](const char* v) { return ParseDouble(v, into); }; };
    auto triple = [](double* into) { return [into](const char* v) { return ParseTriple(v, into); }; };
    const std::vector<ToolOption> options = {
        {"--size", ToolTakeSize(1, 65535, width, height)},
        {"--out", ToolTakeText(out)},
        {"--scale", number(scale)},
        {"--base-scale", number(baseScale)},
        {"--depth-mode", ToolTakeInt(0, 1, depthMode)},
        {"--lit", ToolTakeInt(0, 1, lit)},
        {"--light", triple(light)},
        {"--angles", triple(angles)},
        {"--offset", triple(offset)},
        {"--clear", ToolTakeInt(0, 255, clear)},
        {"--solid", ToolTakeInt(0, 255, solid)},
        {"--outline", ToolTakeInt(0, 255, outline)},
        {"--show-selection", ToolTakeInt(0, 255, selection)},
        {"--palette", ToolTakeText(palettePath)},
        {"--shade", ToolTakeText(shadePath)},
        {"--textures", ToolTakeText(texturesDir)},
    };
    if (int rc = ToolParseOptions(argc, argv, 3, options, {"%s needs a value", "unknown option %s", "bad value for %s: %s"}))
        return rc;
    if (!width || out.empty()) return ToolFail(GRIB_EXIT_BAD_INPUT, "render needs --size WxH and --out OUT");
    if (uint64_t(width) * uint64_t(height) > (uint64_t{1} << 28))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%ldx%ld is too large", width, height);
    const bool raw = ToolHasExtension(out, ".raw");
    if (!raw && !ToolHasExtension(out, ".png") && !ToolHasExtension(out, ".pcx"))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: expected a .raw, .png or .pcx file", out.c_str());

    std::vector<uint8_t> palette = ToolGreyPalette();
    if (!palettePath.empty()) {
        std::string error;
        if (!ToolLoadPalette(ToolDiskPath(palettePath), palette, &error))
            return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s", palettePath.c_str(), error.c_str());
    }
    std::vector<uint8_t> shade;
    if (!shadePath.empty()) {
        if (!ToolReadFile(shadePath, shade)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: not found", shadePath.c_str());
        if (shade.size() < 8192) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: a shade table holds 8192 bytes", shadePath.c_str());
    } else {
        shade = KitMakeShadeTable(palette.data());
    }
    Piece* model = nullptr;
    if (int rc = LoadOrFail(file, &model)) return rc;
    if (!texturesDir.empty()) {
        std::string dir = ToolDiskPath(texturesDir);
        if (dir.back() != '/') dir += '/';
        GRIB_LoadTextures(dir.c_str());
    }

    GribEnvironment* env = GRIB_GetEnvironment();
    auto* shadeBlock = static_cast<uint8_t*>(GRIB_Alloc("SHADE TABLE", 8192));
    std::memcpy(shadeBlock, shade.data(), 8192);
    env->shadeTable = shadeBlock;

    Piece* wrapper = NewPiece();
    wrapper->child = model;
    wrapper->angleX = angles[0];
    wrapper->angleY = angles[1];
    wrapper->angleZ = angles[2];
    for (int a = 0; a < 3; ++a) wrapper->offset[a] = float(offset[a]);
    int32_t handle = RegisterTree(wrapper);
    SetRenderOptions(handle, outline >= 0, 1, solid >= 0, int32_t(lit), int32_t(outline >= 0 ? outline : 0),
                     int32_t(solid >= 0 ? solid : 0));
    GribBitmap* surface = GRIB_CreateBitmap("Model Render", uint32_t(width), uint32_t(height));
    if (!surface) return ToolFail(GRIB_EXIT_BAD_INPUT, "can't allocate a %ldx%ld bitmap", width, height);
    GRIB_ClearBitmap(surface, uint8_t(clear));
    ViewParams view{};
    view.scale = scale;
    view.baseScale = baseScale;
    view.showSelection = selection >= 0;
    view.depthMode = int32_t(depthMode);
    view.selectionColour = int32_t(selection >= 0 ? selection : 0);
    view.lightX = float(light[0]);
    view.lightY = float(light[1]);
    view.lightZ = float(light[2]);
    AnimateTree(handle);
    RenderTree(handle, surface, &view);

    int rc = GRIB_EXIT_OK;
    if (raw) {
        if (!ToolWriteFile(out, surface->pixels, size_t(width) * size_t(height)))
            rc = ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write the file", out.c_str());
    } else {
        ToolImage image;
        image.width = uint32_t(width);
        image.height = uint32_t(height);
        image.pixels.assign(surface->pixels, surface->pixels + size_t(width) * size_t(height));
        image.palette = palette;
        rc = ToolWriteImage(out, image);
    }
    UnregisterTree(handle);
    FreePieceTree(wrapper);
    GRIB_FreeBitmap(surface);
    env->shadeTable = nullptr;
    GRIB_Free(shadeBlock);
    GRIB_FreeTextures();
    return rc;
}

int Build(int argc, char** argv) {
    std::string in, out;
    double scale = 1;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "-o" && i + 1 < argc) {
            out = argv[++i];
        } else if (a == "--scale" && i + 1 < argc) {
            if (!ParseDouble(argv[++i], scale)) return ToolFail(GRIB_EXIT_BAD_INPUT, "bad value for --scale");
        } else if (in.empty() && a[0] != '-') {
            in = a;
        } else {
            return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib model build IN.txt|IN.obj -o OUT.3do [--scale S]");
        }
    }
    if (in.empty() || out.empty())
        return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib model build IN.txt|IN.obj -o OUT.3do [--scale S]");
    std::vector<uint8_t> bytes;
    if (!ToolReadFile(in, bytes)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: not found", in.c_str());
    std::string text(bytes.begin(), bytes.end()), error;
    KitModel model;
    bool ok = ToolHasExtension(in, ".obj") ? KitParseObj(text, scale, model, &error) : KitParseModelText(text, model, &error);
    if (!ok) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s", in.c_str(), error.c_str());
    std::vector<uint8_t> file = KitWrite3do(model);
    if (!ToolWriteFile(out, file.data(), file.size())) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write the file", out.c_str());
    return GRIB_EXIT_OK;
}

int Dump(int argc, char** argv) {
    if (argc != 3) return ToolFail(GRIB_EXIT_BAD_INPUT, "usage: grib model dump FILE.3do");
    std::vector<uint8_t> bytes;
    if (!ToolReadFile(argv[2], bytes)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: not found", argv[2]);
    KitModel model;
    std::string error;
    if (!KitRead3do(bytes, model, &error)) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s", argv[2], error.c_str());
    std::fputs(KitDumpModelText(model).c_str(), stdout);
    return GRIB_EXIT_OK;
}

}  // namespace

int GribCmd_Model(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    if (argc < 2) return ToolUsageError(kUsage);
    std::string sub = argv[1];
    if (sub == "info") return Info(argc, argv);
    if (sub == "render") return Render(argc, argv);
    if (sub == "build") return Build(argc, argv);
    if (sub == "dump") return Dump(argc, argv);
    if (sub == "export") return GribCmd_ModelExport(argc, argv);
    return ToolFail(GRIB_EXIT_BAD_INPUT, "model: unknown command %s", sub.c_str());
}
