// Writes archives: a whole image from a list of files, or from an explicit
// tree of directory nodes for tests that need unusual layouts (entries in a
// chosen order, duplicate names, odd data offsets, a different trailer).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct KitArchiveFile {
    std::string path;  // backslash-separated, e.g. "units\\tank.fbi"; a
                       // path ending in a backslash makes a directory only
    std::vector<uint8_t> data;
};

// Builds a whole archive image: directories implied by the paths, entries of
// each directory sorted by upper-cased name, header key byte as given (data
// and directory scrambled by the inverse transform).
std::vector<uint8_t> KitBuildArchive(const std::vector<KitArchiveFile>& files, uint8_t headerKey);
bool KitWriteArchive(const std::string& diskPath, const std::vector<KitArchiveFile>& files, uint8_t headerKey);

// Explicit tree. nodes[0] is the root; a directory entry names the node it
// leads to by index, so a test may even point back up the tree.
struct KitArchiveEntry {
    std::string name;
    bool directory = false;
    size_t node = 0;            // directory: index into KitArchiveTree::nodes
    std::vector<uint8_t> data;  // file contents
    uint8_t extraFlags = 0;     // ORed into the stored flag byte
};
struct KitArchiveNode {
    std::vector<KitArchiveEntry> entries;  // stored order
};
struct KitArchiveTree {
    std::vector<KitArchiveNode> nodes;
};

struct KitArchiveOptions {
    uint8_t headerKey = 0;
    uint32_t version = 0x00010000;
    // Bytes of filler written before each file's data (1 makes odd offsets).
    uint32_t dataGap = 0;
    // The last bytes of the file; the standard text unless changed.
    std::string trailer = "Copyright 0000 Quilfen Entertainment";
};

// Where the builder put each record (file offsets), so tests can patch them.
// Per node, per entry; infoOffsets/dataOffsets are 0 for directory entries.
struct KitArchiveLayout {
    uint32_t directorySize = 0;
    uint32_t trailerOffset = 0;
    std::vector<uint32_t> nodeOffsets;
    std::vector<std::vector<uint32_t>> entryOffsets;
    std::vector<std::vector<uint32_t>> nameOffsets;
    std::vector<std::vector<uint32_t>> infoOffsets;
    std::vector<std::vector<uint32_t>> dataOffsets;
};

// Layout: header, then for each node in index order its node record, entry
// array, names and file-info records; then the file data in the same order;
// then the trailer.
std::vector<uint8_t> KitBuildTree(const KitArchiveTree& tree, const KitArchiveOptions& options,
                                  KitArchiveLayout* layout = nullptr);

// The tree KitBuildArchive builds from a file list.
KitArchiveTree KitTreeFromFiles(const std::vector<KitArchiveFile>& files);

// The transform pair, written from the format's rules independently of the
// reader.
uint8_t KitWorkingKey(uint8_t headerKey);
// stored = NOT(plain) XOR (offset AND 0xFF) XOR key, for each byte at its own
// absolute offset; a working key of 0 leaves the bytes plain.
void KitScramble(uint8_t* bytes, size_t count, uint8_t workingKey, uint32_t firstOffset);

// Turns a plain image (header key 0) into one with the given header key:
// stores the key byte and scrambles every byte from offset 20 up to the
// trailer (the last 36 bytes). Lets tests patch a plain image first.
void KitRekeyImage(std::vector<uint8_t>& image, uint8_t headerKey);

// Little-endian field access for patching images.
void KitPut32(std::vector<uint8_t>& image, size_t offset, uint32_t value);
