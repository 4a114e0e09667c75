// Shared set-up of the file system tests: a fresh library, an empty mount
// list and a scratch folder as the current directory.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grib/env/env.h"
#include "grib/vfs/archive.h"
#include "grib/vfs/vfs.h"
#include "kit/archive/archive_writer.h"
#include "tests/support/support.h"

using Lines = std::vector<std::string>;
inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }
// An archive tree from the entries of each node, the root first.
inline KitArchiveTree Tree(const std::vector<std::vector<KitArchiveEntry>>& nodes) {
    KitArchiveTree t;
    for (const auto& entries : nodes) t.nodes.push_back({entries});
    return t;
}

class VfsTest : public ::testing::Test {
protected:
    void SetUp() override {
        GRIB_ResetMounts();
        testsupport::StartGrib();
    }
    void TearDown() override { GRIB_ResetMounts(); }

    void WriteArchive(const std::string& name, const std::vector<KitArchiveFile>& files, uint8_t key = 0) {
        ASSERT_TRUE(KitWriteArchive((dir_.path() / name).string(), files, key));
    }
    void WriteImage(const std::string& name, const std::vector<uint8_t>& image) { dir_.write(name, image); }
    void Mount(const std::string& name) { ASSERT_EQ(GRIB_MountArchive(name.c_str(), 0), 1) << name; }

    // The whole file through GRIB_Open / GRIB_Read; "<missing>" when it
    // doesn't open.
    static std::string ReadAll(const std::string& path, int32_t chunk = 4096) {
        FileHandle* h = GRIB_Open(path.c_str());
        if (!h) return "<missing>";
        std::string out;
        std::vector<char> buf(static_cast<size_t>(chunk));
        for (int32_t n; (n = GRIB_Read(h, buf.data(), chunk)) > 0;) out.append(buf.data(), static_cast<size_t>(n));
        GRIB_Close(h);
        return out;
    }

    // One line per enumeration result: "<source> <attr> <size> <name>",
    // source -1 for the disk.
    static Lines Enumerate(const char* pattern) {
        Lines out;
        FindData d;
        intptr_t f = GRIB_FindFirst(pattern, &d);
        if (f == -1) return out;
        do {
            char line[400];
            std::snprintf(line, sizeof line, "%d %02X %u %s", GRIB_FindSource(f), d.attributes, d.size, d.name);
            out.push_back(line);
        } while (GRIB_FindNext(f, &d) == 0);
        EXPECT_EQ(GRIB_FindClose(f), 0);
        return out;
    }

    testsupport::TempDir dir_;
    testsupport::ScopedCwd cwd_{dir_.path()};
};
