// grib gaf: list, extract and build GAF image files.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "grib/env/names.h"
#include "grib/image/gaf.h"
#include "kit/image/gaf_writer.h"
#include "tools/grib/common.h"
#include "tools/grib/image_io.h"
#include "tools/grib/png_io.h"

namespace fs = std::filesystem;

namespace {

const char kUsage[] =
    "usage: grib gaf list FILE\n"
    "       grib gaf extract FILE DIR [--palette P.pal]\n"
    "       grib gaf build OUT.gaf LIST [--palette P.pal]\n"
    "\n"
    "list     one line per entry, then one per frame and sub-image:\n"
    "           entry <i> <name> frames=<n> loop=<0|1>\n"
    "             frame <j> <w>x<h> origin=<x>,<y> duration=<ticks> key=<k> raw|rle|subimages=<n>\n"
    "               sub <k> <w>x<h> origin=<x>,<y> key=<k> raw|rle [translucent]\n"
    "extract  writes every frame as DIR/<i>_<entry>_<j>.png (a frame of sub-images\n"
    "         as DIR/<i>_<entry>_<j>_<k>.png; i counts the entries, and characters\n"
    "         other than letters, digits, '.' and '-' become '_'), skipped pixels\n"
    "         in the key colour, through P.pal (default: a grey ramp), and\n"
    "         DIR/list.txt for 'gaf build', which keeps every name exactly\n"
    "         (quoted where needed, see NAME below)\n"
    "build    writes OUT.gaf from the list file LIST:\n"
    "           # a comment; blank lines are ignored\n"
    "           entry NAME [loop|noloop]     a new entry (name up to 31 characters;\n"
    "                                        loop is the default)\n"
    "           frame IMAGE [OPTIONS]        a frame of the last entry\n"
    "           frame - [duration=N]         a frame made of the sub lines after it\n"
    "           sub IMAGE [OPTIONS]          a sub-image of the last 'frame -'\n"
    "         OPTIONS: duration=N (ticks, default 1; frames only), origin=X,Y\n"
    "         (default 0,0), key=I (transparent index, default 0), rle (run-length\n"
    "         rows, key pixels skipped), translucent (sub-images only).\n"
    "         IMAGE is a .pcx file (indices as stored) or a .png file (colours\n"
    "         mapped onto P.pal, which is then needed; alpha below 128 becomes\n"
    "         the key); paths are relative to the list file's folder.\n"
    "         A NAME or IMAGE that is empty or holds a space, '\"', '#', '\\' or a\n"
    "         byte outside '!'..'~' is written in double quotes, with \\\" for '\"',\n"
    "         \\\\ for '\\' and \\xHH for any byte: entry \"my tex\", entry \"\",\n"
    "         entry \"a\\x09b\".\n";

const GribGAF* LoadOrFail(const std::string& path, int* status) {
    std::vector<uint8_t> bytes;
    if (!ToolReadFile(path, bytes)) {
        *status = ToolFail(GRIB_EXIT_NOT_FOUND, "%s: can't read the file", path.c_str());
        return nullptr;
    }
    const GribGAF* gaf = GRIB_LoadGAFMemory(bytes.data(), bytes.size());
    if (!gaf) *status = ToolFail(GRIB_EXIT_BAD_INPUT, "%s: not a valid GAF file", path.c_str());
    return gaf;
}

const GribImage* SubImage(const GribImage* image, uint32_t k) {
    return reinterpret_cast<const GribImage* const*>(image->data)[k];
}

std::string Kind(const GribImage* image) {
    if (image->subImageCount) return "subimages=" + std::to_string(image->subImageCount);
    return image->compressed ? "rle" : "raw";
}

int List(const std::string& path) {
    int status = GRIB_EXIT_OK;
    const GribGAF* gaf = LoadOrFail(path, &status);
    if (!gaf) return status;
    for (int32_t i = 0; i < GRIB_GAFEntryCount(gaf); ++i) {
        const GribSequence* e = GRIB_GAFEntry(gaf, i);
        std::printf("entry %d %s frames=%u loop=%d\n", i, e->name, e->frameCount, e->loop ? 1 : 0);
        for (uint32_t j = 0; j < e->frameCount; ++j) {
            const GribImage* f = e->frames[j].image;
            std::printf("  frame %u %ux%u origin=%d,%d duration=%u key=%u %s\n", j, f->width, f->height, f->originX,
                        f->originY, e->frames[j].duration, f->transparent, Kind(f).c_str());
            for (uint32_t k = 0; k < f->subImageCount; ++k) {
                const GribImage* s = SubImage(f, k);
                std::printf("    sub %u %ux%u origin=%d,%d key=%u %s%s\n", k, s->width, s->height, s->originX,
                            s->originY, s->transparent, Kind(s).c_str(), s->translucent ? " translucent" : "");
            }
        }
    }
    GRIB_FreeGAF(const_cast<GribGAF*>(gaf));
    return GRIB_EXIT_OK;
}

// A file name part: letters, digits, '.' and '-' kept, everything else '_'.
std::string SafeName(const char* name) {
    std::string out;
    for (const char* p = name; *p; ++p) {
        char c = *p;
        bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '-';
        out += keep ? c : '_';
    }
    return out;
}

// A word of the list file: bare when it is printable and holds no quote,
// '#' or backslash, else quoted with \", \\ and \xHH escapes.
std::string Quote(const std::string& word) {
    bool bare = !word.empty();
    for (unsigned char c : word) bare = bare && c > ' ' && c <= '~' && c != '"' && c != '#' && c != '\\';
    return bare ? word : GRIB_QuoteName(word);
}

// Splits a list line into words (see Quote); '#' outside quotes starts a
// comment. False with a message on a bad quoted word.
bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string* error) {
    auto hex = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    auto ends = [&](size_t i) { return i >= line.size() || line[i] == ' ' || line[i] == '\t' || line[i] == '#'; };
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (ends(i)) return true;
        std::string word;
        if (line[i] != '"') {
            while (!ends(i)) word += line[i++];
            words.push_back(word);
            continue;
        }
        for (++i; i < line.size() && line[i] != '"'; ++i) {
            if (line[i] != '\\') {
                word += line[i];
            } else if (i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                word += line[++i];
            } else if (i + 3 < line.size() && line[i + 1] == 'x' && hex(line[i + 2]) >= 0 && hex(line[i + 3]) >= 0) {
                word += static_cast<char>(hex(line[i + 2]) * 16 + hex(line[i + 3]));
                i += 3;
            } else {
                *error = "a bad escape in a quoted word (\\\", \\\\ or \\xHH)";
                return false;
            }
        }
        if (i >= line.size()) {
            *error = "a quoted word without its closing '\"'";
            return false;
        }
        if (!ends(++i)) {
            *error = "a quoted word must end at a space";
            return false;
        }
        words.push_back(word);
    }
}

// Writes one image (not a parent of sub-images) as PNG; appends its options.
int ExtractImage(const GribImage* image, const std::vector<uint8_t>& palette, const fs::path& file,
                 std::string& options) {
    ToolImage out;
    out.width = image->width;
    out.height = image->height;
    out.palette = palette;
    if (image->compressed) {
        KitDecodeRows(image->data, image->dataSize, image->width, image->height, image->transparent, out.pixels);
    } else {
        out.pixels.assign(image->data, image->data + size_t{image->width} * image->height);
    }
    options += " origin=" + std::to_string(image->originX) + "," + std::to_string(image->originY) +
               " key=" + std::to_string(image->transparent);
    if (image->compressed) options += " rle";
    if (!image->width || !image->height) {
        // Nothing to show: a 1 × 1 key pixel keeps the frame in the list.
        out.width = out.height = 1;
        out.pixels.assign(1, image->transparent);
    }
    return ToolWriteImage(file.string(), out);
}

int Extract(const std::string& path, const std::string& dir, const std::vector<uint8_t>& palette) {
    int status = GRIB_EXIT_OK;
    const GribGAF* gaf = LoadOrFail(path, &status);
    if (!gaf) return status;
    std::error_code ec;
    fs::create_directories(ToolDiskPath(dir), ec);
    std::string list = "# extracted from " + fs::path(ToolDiskPath(path)).filename().string() + "\n";
    for (int32_t i = 0; i < GRIB_GAFEntryCount(gaf) && !status; ++i) {
        const GribSequence* e = GRIB_GAFEntry(gaf, i);
        // The entry's number keeps file names apart when names repeat or
        // differ only in characters a file name can't hold.
        std::string base = std::to_string(i) + "_" + SafeName(e->name);
        list += "entry " + Quote(e->name) + (e->loop ? " loop\n" : " noloop\n");
        for (uint32_t j = 0; j < e->frameCount && !status; ++j) {
            const GribImage* f = e->frames[j].image;
            std::string duration = " duration=" + std::to_string(e->frames[j].duration);
            if (!f->subImageCount) {
                std::string name = base + "_" + std::to_string(j) + ".png", options;
                status = ExtractImage(f, palette, fs::path(ToolDiskPath(dir)) / name, options);
                list += "frame " + name + duration + options + "\n";
                continue;
            }
            list += "frame -" + duration + "\n";
            for (uint32_t k = 0; k < f->subImageCount && !status; ++k) {
                const GribImage* s = SubImage(f, k);
                std::string name = base + "_" + std::to_string(j) + "_" + std::to_string(k) + ".png", options;
                status = ExtractImage(s, palette, fs::path(ToolDiskPath(dir)) / name, options);
                if (s->translucent) options += " translucent";
                list += "sub " + name + options + "\n";
            }
        }
    }
    GRIB_FreeGAF(const_cast<GribGAF*>(gaf));
    if (status) return status;
    std::string listPath = (fs::path(ToolDiskPath(dir)) / "list.txt").string();
    if (!ToolWriteFile(listPath, list.data(), list.size()))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write the file", listPath.c_str());
    return GRIB_EXIT_OK;
}

struct ListError {
    std::string message;
};

bool ParseInt(const std::string& text, long low, long high, long* value) {
    return ToolParseInt(text.c_str(), low, high, *value);
}

int Build(const std::string& out, const std::string& listPath, const std::vector<uint8_t>& palette) {
    std::vector<uint8_t> text;
    if (!ToolReadFile(listPath, text)) return ToolFail(GRIB_EXIT_NOT_FOUND, "%s: can't read the file", listPath.c_str());
    fs::path base = fs::path(ToolDiskPath(listPath)).parent_path();
    std::vector<KitGafEntry> entries;
    std::istringstream lines(std::string(text.begin(), text.end()));
    std::string line;
    int number = 0;
    bool inLayers = false;
    auto fail = [&](const std::string& message) {
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s:%d: %s", listPath.c_str(), number, message.c_str());
    };
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> w;
        std::string error;
        if (!SplitWords(line, w, &error)) return fail(error);
        if (w.empty()) continue;
        if (w[0] == "entry") {
            if (w.size() < 2 || w.size() > 3) return fail("expected: entry NAME [loop|noloop]");
            if (w[1].size() > 31) return fail("entry names hold up to 31 characters");
            if (w[1].find('\0') != std::string::npos) return fail("entry names can't hold a 0 byte");
            KitGafEntry entry;
            entry.name = w[1];
            if (w.size() == 3) {
                if (w[2] == "noloop") entry.loop = false;
                else if (w[2] != "loop") return fail("expected loop or noloop, not '" + w[2] + "'");
            }
            entries.push_back(entry);
            inLayers = false;
            continue;
        }
        bool isFrame = w[0] == "frame", isSub = w[0] == "sub";
        if (!isFrame && !isSub) return fail("unknown line '" + w[0] + "' (entry, frame or sub)");
        if (entries.empty()) return fail("a frame before the first entry");
        if (w.size() < 2) return fail("expected an image file or '-'");
        if (isSub && !inLayers) return fail("a sub line needs a 'frame -' before it");
        if (isFrame && entries.back().frames.size() >= 65535) return fail("too many frames");
        KitGafImage image;
        long duration = 1;
        for (size_t k = 2; k < w.size(); ++k) {
            const std::string& o = w[k];
            long v = 0, v2 = 0;
            if (o.rfind("duration=", 0) == 0 && isFrame) {
                if (!ParseInt(o.substr(9), 0, 65535, &duration)) return fail("bad duration '" + o + "'");
            } else if (o.rfind("origin=", 0) == 0) {
                size_t comma = o.find(',');
                if (comma == std::string::npos || !ParseInt(o.substr(7, comma - 7), -32768, 32767, &v) ||
                    !ParseInt(o.substr(comma + 1), -32768, 32767, &v2))
                    return fail("bad origin '" + o + "' (origin=X,Y)");
                image.originX = static_cast<int16_t>(v);
                image.originY = static_cast<int16_t>(v2);
            } else if (o.rfind("key=", 0) == 0) {
                if (!ParseInt(o.substr(4), 0, 255, &v)) return fail("bad key '" + o + "'");
                image.transparent = static_cast<uint8_t>(v);
            } else if (o == "rle") {
                image.compress = true;
            } else if (o == "raw") {
                image.compress = false;
            } else if (o == "translucent" && isSub) {
                image.translucent = 1;
            } else {
                return fail("unknown option '" + o + "'");
            }
        }
        if (isFrame && w[1] == "-") {
            KitGafFrame frame;
            frame.duration = static_cast<uint16_t>(duration);
            entries.back().frames.push_back(frame);
            inLayers = true;
            continue;
        }
        ToolImage source;
        fs::path file = fs::path(ToolDiskPath(w[1]));
        if (file.is_relative()) file = base / file;
        if (int status = ToolReadImage(file.string(), palette, image.transparent, &source)) return status;
        if (source.width > 65535 || source.height > 65535) return fail("image too large");
        image.width = static_cast<uint16_t>(source.width);
        image.height = static_cast<uint16_t>(source.height);
        image.pixels = std::move(source.pixels);
        if (isSub) {
            KitGafFrame& parent = entries.back().frames.back();
            if (parent.image.subImages.size() >= 255) return fail("a frame holds up to 255 sub-images");
            parent.image.subImages.push_back(std::move(image));
        } else {
            KitGafFrame frame;
            frame.image = std::move(image);
            frame.duration = static_cast<uint16_t>(duration);
            entries.back().frames.push_back(std::move(frame));
            inLayers = false;
        }
    }
    if (entries.size() > 32767) return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: too many entries", listPath.c_str());
    std::vector<uint8_t> bytes = KitWriteGAF(entries);
    if (!ToolWriteFile(out, bytes.data(), bytes.size()))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: can't write the file", out.c_str());
    return GRIB_EXIT_OK;
}

}  // namespace

int GribCmd_Gaf(int argc, char** argv) {
    if (ToolHelp(argc, argv, kUsage)) return GRIB_EXIT_OK;
    std::string palettePath;
    std::vector<std::string> args = ToolSplitOption(argc, argv, "--palette", palettePath);
    std::vector<uint8_t> palette;
    std::string error;
    if (!palettePath.empty() && !ToolLoadPalette(palettePath, palette, &error))
        return ToolFail(GRIB_EXIT_BAD_INPUT, "%s: %s", palettePath.c_str(), error.c_str());
    if (args.size() == 2 && args[0] == "list") return List(args[1]);
    if (args.size() == 3 && args[0] == "extract") {
        if (palette.empty()) palette = ToolGreyPalette();
        return Extract(args[1], args[2], palette);
    }
    if (args.size() == 3 && args[0] == "build") return Build(args[1], args[2], palette);
    return ToolUsageError(kUsage);
}
