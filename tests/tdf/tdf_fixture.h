// Shared set-up of the text data tests: a scratch folder and a TdfFile that
// is released after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "grib/env/env.h"
#include "grib/tdf/tdf.h"
#include "tests/support/support.h"

class TdfTest : public ::testing::Test {
protected:
    void SetUp() override { testsupport::StartGrib(); }
    void TearDown() override { TDF_Free(&tdf); }

    // Writes text to a file and loads it; fails the test when it won't load.
    void Load(const std::string& text, const std::string& name = "test.tdf") {
        ASSERT_EQ(TDF_Load(&tdf, dir.write(name, text).string().c_str()), 1) << "text: " << text;
    }
    std::string Text() const { return tdf.text ? std::string(tdf.text) : std::string(); }

    // The value through the string getter; "<absent>" when not found.
    std::string Get(const std::string& key, int32_t size = 255) {
        std::string buffer(static_cast<size_t>(size) + 1, '\x7f');
        if (!TDF_GetString(&tdf, buffer.data(), key.c_str(), size)) return "<absent>";
        return buffer.c_str();
    }

    // Enters each section from the top level, one level deeper each.
    bool EnterPath(const std::vector<std::string>& names) {
        TDF_Rewind(&tdf);
        for (const std::string& n : names)
            if (!TDF_EnterSection(&tdf, n.c_str())) return false;
        return true;
    }

    testsupport::TempDir dir;
    TdfFile tdf;
};
