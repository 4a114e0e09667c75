#include <gtest/gtest.h>

#include <vector>

#include "grib/draw/draw.h"

namespace {

// Distinct frames; only their addresses matter.
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

TEST(Sequence, StepsThroughFramesByTicks) {
    // Frame index -1: no frame (ended).
    struct Step {
        uint16_t ticks;
        int frame, timeLeft;
    };
    struct Case {
        const char* what;
        std::vector<uint16_t> durations;
        uint16_t loop, first;
        std::vector<Step> steps;
    } cases[] = {
        {"start", {5, 7, 9}, 0, 2, {{0, 2, 9}}},
        {"a first frame past the end starts at 0", {5, 7, 9}, 0, 3, {{0, 0, 5}}},
        {"non-looping ends after its last frame", {2, 3, 4}, 0, 0, {{1, 0, 1}, {1, 1, 3}, {7, -1, 0}, {1, -1, 0}}},
        // 3 + 4 + 2 ticks land on frame 1 again; then two whole turns and one.
        {"looping wraps in one advance", {2, 3, 4}, 1, 1, {{9, 1, 3}, {19, 1, 2}}},
        {"a single frame never moves", {1}, 0, 0, {{500, 0, 1}}},
        {"long durations do not wrap", {40000, 1}, 1, 0, {{30000, 0, 10000}}},
        {"zero durations terminate", {0, 0, 0}, 1, 0, {{5, -2, 0}}},
    };
    for (const Case& c : cases) {
        Frames f(c.durations, c.loop);
        GribSequenceCursor cursor{};
        GRIB_SequenceStart(&cursor, &f.sequence, c.first);
        EXPECT_EQ(cursor.loop, c.loop);
        for (const Step& s : c.steps) {
            GRIB_SequenceAdvance(&cursor, s.ticks);
            const GribImage* frame = GRIB_SequenceFrame(&cursor);
            if (s.frame == -2) {
                EXPECT_NE(frame, nullptr) << c.what;
            } else if (s.frame == -1) {
                EXPECT_EQ(frame, nullptr) << c.what;
                EXPECT_EQ(GRIB_SequenceDuration(&cursor), -1) << c.what;
            } else {
                EXPECT_EQ(frame, &f.images[s.frame]) << c.what;
                EXPECT_EQ(cursor.timeLeft, s.timeLeft) << c.what;
                EXPECT_EQ(GRIB_SequenceDuration(&cursor), c.durations[s.frame]) << c.what;
            }
        }
    }
    GribSequenceCursor none{};
    GRIB_SequenceStart(&none, nullptr, 0);
    GRIB_SequenceAdvance(&none, 10);
    EXPECT_EQ(GRIB_SequenceFrame(&none), nullptr);
    EXPECT_EQ(GRIB_SequenceDuration(&none), -1);
    EXPECT_EQ(GRIB_SequenceFrame(nullptr), nullptr);
    EXPECT_EQ(GRIB_SequenceDuration(nullptr), -1);
}

}  // namespace
