#include <cstdlib>
#include <cstring>

#include "grib/env/env.h"

namespace {

// The hidden header. Its size is a multiple of alignof(max_align_t) so the
// caller's block is aligned for any type.
struct alignas(alignof(std::max_align_t)) BlockHeader {
    size_t size;
    char tag[64];
};
static_assert(sizeof(BlockHeader) % alignof(std::max_align_t) == 0);

BlockHeader* HeaderOf(const void* block) {
    return reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(block)) - sizeof(BlockHeader));
}

void SetTag(BlockHeader* h, const char* tag) {
    std::strncpy(h->tag, tag ? tag : "", 63);
    h->tag[63] = 0;
}

}  // namespace

void* GRIB_Alloc(const char* tag, size_t size) {
    if (size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    auto* h = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!h) return nullptr;
    h->size = size;
    SetTag(h, tag);
    GRIB_GetEnvironment()->allocatedBytes += static_cast<uint32_t>(size);
    return h + 1;
}

void GRIB_Free(void* block) {
    if (!block) return;
    BlockHeader* h = HeaderOf(block);
    GRIB_GetEnvironment()->allocatedBytes -= static_cast<uint32_t>(h->size);
    std::free(h);
}

void* GRIB_Realloc(void* block, const char* tag, size_t size) {
    if (!block) return GRIB_Alloc(tag ? tag : "Anonymous", size);
    if (size > SIZE_MAX - sizeof(BlockHeader)) return nullptr;
    BlockHeader* h = HeaderOf(block);
    if (tag) SetTag(h, tag);
    size_t oldSize = h->size;
    auto* n = static_cast<BlockHeader*>(std::realloc(h, sizeof(BlockHeader) + size));
    if (!n) return nullptr;
    n->size = size;
    GribEnvironment* env = GRIB_GetEnvironment();
    env->allocatedBytes -= static_cast<uint32_t>(oldSize);
    env->allocatedBytes += static_cast<uint32_t>(size);
    return n + 1;
}

size_t GRIB_BlockSize(const void* block) { return block ? HeaderOf(block)->size : 0; }

const char* GRIB_BlockTag(const void* block) { return block ? HeaderOf(block)->tag : nullptr; }
