#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grib/draw/draw.h"

namespace {

TEST(Sequence, StepsThroughFramesByTicks) {
    // After each advance: the frame's index and the time left, or "end".
    struct Case {
        const char* what;
        std::vector<uint16_t> durations;
        uint16_t loop, first;
        std::vector<std::pair<uint16_t, std::string>> steps;
    } cases[] = {
        {"start", {5, 7, 9}, 0, 2, {{0, "2 9"}}},
        {"a first frame past the end starts at 0", {5, 7, 9}, 0, 3, {{0, "0 5"}}},
        {"non-looping ends after its last frame", {2, 3, 4}, 0, 0, {{1, "0 1"}, {1, "1 3"}, {7, "end"}, {1, "end"}}},
        // 3 + 4 + 2 ticks land on frame 1 again; then two whole turns and one.
        {"looping wraps in one advance", {2, 3, 4}, 1, 1, {{9, "1 3"}, {19, "1 2"}}},
        {"a single frame never moves", {1}, 0, 0, {{500, "0 1"}}},
        {"long durations do not wrap", {40000, 1}, 1, 0, {{30000, "0 10000"}}},
        {"zero durations end the walk after one turn", {0, 0, 0}, 1, 0, {{5, "0 -5"}}},
    };
    for (const Case& c : cases) {
        GribImage images[4]{};
        std::vector<GribSequenceFrame> table;
        for (size_t i = 0; i < c.durations.size(); ++i) table.push_back({&images[i], c.durations[i]});
        GribSequence sequence{uint16_t(table.size()), c.loop, "", table.data()};
        GribSequenceCursor cursor{};
        GRIB_SequenceStart(&cursor, &sequence, c.first);
        EXPECT_EQ(cursor.loop, c.loop);
        for (const auto& [ticks, want] : c.steps) {
            GRIB_SequenceAdvance(&cursor, ticks);
            const GribImage* frame = GRIB_SequenceFrame(&cursor);
            const size_t index = frame ? size_t(frame - images) : 0;
            EXPECT_EQ(frame ? std::to_string(index) + " " + std::to_string(cursor.timeLeft) : "end", want) << c.what;
            EXPECT_EQ(GRIB_SequenceDuration(&cursor), frame ? c.durations[index] : -1) << c.what;
        }
    }
    GribSequenceCursor none{};
    GRIB_SequenceStart(&none, nullptr, 0);
    GRIB_SequenceAdvance(&none, 10);
    EXPECT_EQ(GRIB_SequenceFrame(&none), nullptr);
    EXPECT_EQ(GRIB_SequenceFrame(nullptr), nullptr);
    EXPECT_EQ(GRIB_SequenceDuration(&none) + GRIB_SequenceDuration(nullptr), -2);
}

}  // namespace
