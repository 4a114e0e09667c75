#include <gtest/gtest.h>

#include <vector>

#include "grib/draw/draw.h"

namespace {

// Three distinct frames; only their addresses matter.
struct Frames {
    GribImage images[4]{};
    std::vector<GribSequenceFrame> table;
    GribSequence sequence{};

    Frames(std::vector<uint16_t> durations, uint16_t loop) {
        for (size_t i = 0; i < durations.size(); ++i) table.push_back({&images[i], durations[i]});
        sequence.frameCount = static_cast<uint16_t>(durations.size());
        sequence.loop = loop;
        sequence.frames = table.data();
    }
};

TEST(Sequence, StartPicksFirstFrameOrFallsBackToZero) {
    Frames f({5, 7, 9}, 0);
    GribSequenceCursor c{};
    GRIB_SequenceStart(&c, &f.sequence, 2);
    EXPECT_EQ(c.frameIndex, 2);
    EXPECT_EQ(c.timeLeft, 9);
    EXPECT_EQ(GRIB_SequenceFrame(&c), &f.images[2]);
    EXPECT_EQ(GRIB_SequenceDuration(&c), 9);

    GRIB_SequenceStart(&c, &f.sequence, 3);
    EXPECT_EQ(c.frameIndex, 0);
    EXPECT_EQ(c.timeLeft, 5);
    EXPECT_EQ(c.loop, 0);
}

TEST(Sequence, WithoutSequenceThereIsNoFrame) {
    GribSequenceCursor c{};
    GRIB_SequenceStart(&c, nullptr, 0);
    EXPECT_EQ(GRIB_SequenceFrame(&c), nullptr);
    EXPECT_EQ(GRIB_SequenceDuration(&c), -1);
    GRIB_SequenceAdvance(&c, 10);
    EXPECT_EQ(GRIB_SequenceFrame(&c), nullptr);
    EXPECT_EQ(GRIB_SequenceFrame(nullptr), nullptr);
    EXPECT_EQ(GRIB_SequenceDuration(nullptr), -1);
}

TEST(Sequence, NonLoopingEndsAfterLastFrame) {
    Frames f({2, 3, 4}, 0);
    GribSequenceCursor c{};
    GRIB_SequenceStart(&c, &f.sequence, 0);
    GRIB_SequenceAdvance(&c, 1);
    EXPECT_EQ(GRIB_SequenceFrame(&c), &f.images[0]);
    EXPECT_EQ(c.timeLeft, 1);
    GRIB_SequenceAdvance(&c, 1);  // exactly 0 left moves on
    EXPECT_EQ(GRIB_SequenceFrame(&c), &f.images[1]);
    EXPECT_EQ(c.timeLeft, 3);
    GRIB_SequenceAdvance(&c, 7);  // through frame 2 and past the end
    EXPECT_EQ(GRIB_SequenceFrame(&c), nullptr);
    EXPECT_EQ(GRIB_SequenceDuration(&c), -1);
    GRIB_SequenceAdvance(&c, 1);
    EXPECT_EQ(GRIB_SequenceFrame(&c), nullptr);
}

TEST(Sequence, LoopingWrapsOverSeveralFramesInOneAdvance) {
    Frames f({2, 3, 4}, 1);
    GribSequenceCursor c{};
    GRIB_SequenceStart(&c, &f.sequence, 1);
    // 3 (frame 1) + 4 (frame 2) + 2 (frame 0) = 9 ticks lands on frame 1.
    GRIB_SequenceAdvance(&c, 9);
    EXPECT_EQ(c.frameIndex, 1);
    EXPECT_EQ(c.timeLeft, 3);
    // Several full turns in one advance: 2 * 9 + 1 more.
    GRIB_SequenceAdvance(&c, 19);
    EXPECT_EQ(c.frameIndex, 1);
    EXPECT_EQ(c.timeLeft, 2);
    EXPECT_EQ(GRIB_SequenceFrame(&c), &f.images[1]);
}

TEST(Sequence, SingleFrameNeverAdvances) {
    Frames f({1}, 0);
    GribSequenceCursor c{};
    GRIB_SequenceStart(&c, &f.sequence, 0);
    GRIB_SequenceAdvance(&c, 500);
    EXPECT_EQ(GRIB_SequenceFrame(&c), &f.images[0]);
    EXPECT_EQ(c.timeLeft, 1);
}

TEST(Sequence, LongDurationsDoNotWrap) {
    Frames f({40000, 1}, 1);
    GribSequenceCursor c{};
    GRIB_SequenceStart(&c, &f.sequence, 0);
    GRIB_SequenceAdvance(&c, 30000);
    EXPECT_EQ(c.frameIndex, 0);
    EXPECT_EQ(c.timeLeft, 10000);
}

TEST(Sequence, LoopOfZeroDurationsTerminates) {
    Frames f({0, 0, 0}, 1);
    GribSequenceCursor c{};
    GRIB_SequenceStart(&c, &f.sequence, 0);
    GRIB_SequenceAdvance(&c, 5);
    EXPECT_NE(GRIB_SequenceFrame(&c), nullptr);
}

}  // namespace
