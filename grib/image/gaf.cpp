// GAF files: named sequences of 8-bit frames. Every offset of the file is
// checked and resolved once into native records (sequences, frames, image
// headers) that point into the loaded file image.
#include <cstring>
#include <map>
#include <vector>

#include "grib/env/bytes.h"
#include "grib/env/env.h"
#include "grib/image/gaf.h"
#include "grib/vfs/vfs.h"

struct GribGAF {
    uint8_t* block = nullptr;  // the file image (tagged block)
    size_t size = 0;
    std::vector<GribSequence> entries;
    std::vector<GribSequenceFrame> frames;
    std::vector<GribImage> images;
    std::vector<const GribImage*> subImages;  // the arrays sub-image parents point at
};

namespace {

constexpr size_t kFrameHeaderSize = 24;
constexpr size_t kEntryHeaderSize = 40;

bool Fits(size_t size, uint64_t offset, uint64_t length) { return offset <= size && length <= size - offset; }

// Resolution works on indices; pointers are set once every vector is final.
struct Builder {
    GribGAF* gaf;
    const uint8_t* file;
    size_t size;
    GribBytes bytes;
    std::map<uint32_t, uint32_t> imageAt;  // header offset -> image index
    std::map<uint32_t, uint32_t> entryAt;  // entry offset -> entry index
    std::vector<uint32_t> frameImage;      // per frame: image index
    struct EntryRange { uint32_t first; };
    std::vector<EntryRange> entryFrames;   // per entry: its first frame
    struct SubRange { uint32_t image; uint32_t first; };
    std::vector<SubRange> subRanges;       // parents with sub-images
    std::vector<uint32_t> subImage;        // image index per sub-image slot
    uint64_t frameBudget;

    // The data an image header locates, as bytes from its data offset.
    bool SizeData(GribImage& image, uint32_t dataOffset) {
        if (!image.compressed) {
            uint64_t n = uint64_t{image.width} * image.height;
            if (!Fits(size, dataOffset, n)) return false;
            image.dataSize = static_cast<size_t>(n);
            return true;
        }
        // Run-length rows: a u16 byte count per row, then its codes.
        uint64_t at = dataOffset;
        for (uint32_t row = 0; row < image.height; ++row) {
            if (!Fits(size, at, 2)) return false;
            uint64_t length = bytes.U16(at);
            if (!Fits(size, at + 2, length)) return false;
            at += 2 + length;
        }
        image.dataSize = static_cast<size_t>(at - dataOffset);
        return true;
    }

    // Returns the image index of the header at offset, or -1.
    int64_t Image(uint32_t offset, bool isSubImage) {
        auto found = imageAt.find(offset);
        if (found != imageAt.end()) {
            // A header reached as a sub-image must not have sub-images itself.
            if (isSubImage && gaf->images[found->second].subImageCount) return -1;
            return found->second;
        }
        if (!Fits(size, offset, kFrameHeaderSize)) return -1;
        const uint64_t h = offset;
        GribImage image{};
        image.width = bytes.U16(h);
        image.height = bytes.U16(h + 2);
        image.originX = bytes.I16(h + 4);
        image.originY = bytes.I16(h + 6);
        image.transparent = bytes.U8(h + 8);
        image.compressed = bytes.U8(h + 9);
        image.subImageCount = bytes.U8(h + 10);
        image.translucent = bytes.U8(h + 11);
        image.reserved = bytes.U32(h + 12);
        uint32_t dataOffset = bytes.U32(h + 16);
        uint32_t index = static_cast<uint32_t>(gaf->images.size());
        if (image.subImageCount) {
            // Sub-images of sub-images are not followed: such a file is refused.
            if (isSubImage) return -1;
            uint32_t count = image.subImageCount;
            if (!Fits(size, dataOffset, uint64_t{count} * 4)) return -1;
            gaf->images.push_back(image);
            imageAt[offset] = index;
            uint32_t first = static_cast<uint32_t>(subImage.size());
            subImage.resize(first + count);
            subRanges.push_back({index, first});
            for (uint32_t k = 0; k < count; ++k) {
                int64_t sub = Image(bytes.U32(uint64_t{dataOffset} + 4 * k), true);
                if (sub < 0) return -1;
                subImage[first + k] = static_cast<uint32_t>(sub);
            }
            return index;
        }
        if (!SizeData(image, dataOffset)) return -1;
        image.data = file + dataOffset;
        gaf->images.push_back(image);
        imageAt[offset] = index;
        return index;
    }

    bool Entry(uint32_t offset) {
        if (entryAt.count(offset)) {
            gaf->entries.push_back(gaf->entries[entryAt[offset]]);
            entryFrames.push_back(entryFrames[entryAt[offset]]);
            return true;
        }
        if (!Fits(size, offset, kEntryHeaderSize)) return false;
        GribSequence sequence{};
        sequence.frameCount = bytes.U16(offset);
        sequence.loop = bytes.U16(uint64_t{offset} + 2);
        std::memcpy(sequence.name, file + offset + 8, sizeof sequence.name);
        sequence.name[sizeof sequence.name - 1] = 0;
        uint64_t table = uint64_t{offset} + kEntryHeaderSize;
        if (!Fits(size, table, uint64_t{sequence.frameCount} * 8)) return false;
        // Frame tables of distinct entries can't overlap in a sound file; the
        // budget keeps overlapping ones from multiplying the work.
        if (sequence.frameCount > frameBudget) return false;
        frameBudget -= sequence.frameCount;
        uint32_t first = static_cast<uint32_t>(frameImage.size());
        for (uint32_t j = 0; j < sequence.frameCount; ++j) {
            const uint64_t f = table + 8 * j;
            int64_t image = Image(bytes.U32(f), false);
            if (image < 0) return false;
            frameImage.push_back(static_cast<uint32_t>(image));
            gaf->frames.push_back(GribSequenceFrame{nullptr, bytes.U16(f + 4)});
        }
        entryAt[offset] = static_cast<uint32_t>(gaf->entries.size());
        gaf->entries.push_back(sequence);
        entryFrames.push_back({first});
        return true;
    }

    bool Build() {
        if (size < 6) return false;
        int32_t count = bytes.I16(4);
        if (count < 0) count = 0;
        if (!Fits(size, 12, uint64_t(count) * 4)) return false;
        frameBudget = size / 8;
        for (int32_t i = 0; i < count; ++i)
            if (!Entry(bytes.U32(12 + 4 * uint64_t(i)))) return false;
        // Everything is in place: turn indices into pointers.
        gaf->subImages.resize(subImage.size());
        for (size_t k = 0; k < subImage.size(); ++k) gaf->subImages[k] = &gaf->images[subImage[k]];
        for (const SubRange& r : subRanges) {
            GribImage& parent = gaf->images[r.image];
            parent.data = reinterpret_cast<const uint8_t*>(gaf->subImages.data() + r.first);
            parent.dataSize = parent.subImageCount * sizeof(const GribImage*);
        }
        for (size_t j = 0; j < frameImage.size(); ++j) gaf->frames[j].image = &gaf->images[frameImage[j]];
        for (size_t i = 0; i < gaf->entries.size(); ++i)
            gaf->entries[i].frames = gaf->frames.data() + entryFrames[i].first;
        return true;
    }
};

// Takes the tagged block; releases it when the file is refused.
GribGAF* Resolve(uint8_t* block, size_t size) {
    GribGAF* gaf = nullptr;
    try {
        gaf = new GribGAF;
        gaf->block = block;
        gaf->size = size;
        Builder builder{gaf, block, size, GribBytes{block, size}, {}, {}, {}, {}, {}, {}, {}};
        if (builder.Build()) return gaf;
    } catch (...) {
    }
    if (gaf) gaf->block = nullptr;
    delete gaf;
    GRIB_Free(block);
    return nullptr;
}

}  // namespace

GribGAF* GRIB_LoadGAF(const char* path) {
    int32_t length = -1;
    void* block = GRIB_LoadFile(path, &length);
    if (!block) return nullptr;
    return Resolve(static_cast<uint8_t*>(block), length > 0 ? static_cast<size_t>(length) : 0);
}

GribGAF* GRIB_LoadGAFMemory(const uint8_t* data, size_t size) {
    if (!data || !size) return nullptr;
    auto* block = static_cast<uint8_t*>(GRIB_Alloc("GAF FILE", size));
    if (!block) return nullptr;
    std::memcpy(block, data, size);
    return Resolve(block, size);
}

void GRIB_FreeGAF(GribGAF* gaf) {
    if (!gaf) return;
    if (gaf->block) GRIB_Free(gaf->block);
    delete gaf;
}

int32_t GRIB_GAFEntryCount(const GribGAF* gaf) { return gaf ? static_cast<int32_t>(gaf->entries.size()) : 0; }

const GribSequence* GRIB_GAFEntry(const GribGAF* gaf, int32_t index) {
    if (!gaf || index < 0 || static_cast<size_t>(index) >= gaf->entries.size()) return nullptr;
    return &gaf->entries[static_cast<size_t>(index)];
}
