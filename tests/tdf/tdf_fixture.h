// Shared set-up of the text data tests: a scratch folder to write files to
// and a loaded TdfFile that is released after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "grib/tdf/tdf.h"
#include "tests/support/support.h"

class TdfTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    void TearDown() override { TDF_Free(&tdf); }

    // Writes text to a file and loads it; fails the test when it won't load.
    void Load(const std::string& text, const std::string& name = "test.tdf") {
        std::string path = dir.write(name, text).string();
        ASSERT_EQ(TDF_Load(&tdf, path.c_str()), 1) << "text: " << text;
    }

    // The normalised text as a string (up to its terminator).
    std::string Text() const { return tdf.text ? std::string(tdf.text) : std::string(); }

    // The string getter with a generous size; "<absent>" when not found.
    std::string Get(const char* key, int32_t size = 255) {
        std::string buffer(static_cast<size_t>(size) + 1, '\x7f');
        if (!TDF_GetString(&tdf, buffer.data(), key, size)) return "<absent>";
        return std::string(buffer.c_str());
    }

    // Enters each section from the top level, one level deeper each.
    bool EnterPath(std::initializer_list<const char*> names) {
        TDF_Rewind(&tdf);
        for (const char* n : names)
            if (!TDF_EnterSection(&tdf, n)) return false;
        return true;
    }

    testsupport::TempDir dir;
    TdfFile tdf;
};
