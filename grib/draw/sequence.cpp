#include "grib/draw/draw.h"

namespace {

const GribSequenceFrame* CurrentFrame(const GribSequenceCursor* cursor) {
    if (!cursor || !cursor->sequence) return nullptr;
    const GribSequence* sequence = cursor->sequence;
    if (!sequence->frames || cursor->frameIndex >= sequence->frameCount) return nullptr;
    return &sequence->frames[cursor->frameIndex];
}

}  // namespace

void GRIB_SequenceStart(GribSequenceCursor* cursor, const GribSequence* sequence, uint16_t first) {
    if (!cursor) return;
    cursor->sequence = sequence;
    cursor->frameIndex = 0;
    cursor->timeLeft = 0;
    cursor->loop = 0;
    if (!sequence) return;
    cursor->frameIndex = first < sequence->frameCount ? first : 0;
    cursor->loop = sequence->loop;
    const GribSequenceFrame* frame = CurrentFrame(cursor);
    cursor->timeLeft = frame ? frame->duration : 0;
}

void GRIB_SequenceAdvance(GribSequenceCursor* cursor, uint16_t ticks) {
    if (!cursor || !cursor->sequence) return;
    const GribSequence* sequence = cursor->sequence;
    if (sequence->frameCount < 2 || !sequence->frames) return;
    int32_t timeLeft = cursor->timeLeft - ticks;
    uint32_t index = cursor->frameIndex;
    // A looping sequence whose frames all last 0 ticks would wrap for ever;
    // one full turn without gaining time ends the walk.
    uint32_t stepsWithoutTime = 0;
    while (timeLeft <= 0) {
        ++index;
        if (index >= sequence->frameCount) {
            if (!cursor->loop) {
                cursor->sequence = nullptr;
                cursor->frameIndex = static_cast<uint16_t>(index);
                cursor->timeLeft = timeLeft;
                return;
            }
            index = 0;
        }
        uint16_t duration = sequence->frames[index].duration;
        timeLeft += duration;
        stepsWithoutTime = duration ? 0 : stepsWithoutTime + 1;
        if (stepsWithoutTime >= sequence->frameCount) break;
    }
    cursor->frameIndex = static_cast<uint16_t>(index);
    cursor->timeLeft = timeLeft;
}

const GribImage* GRIB_SequenceFrame(const GribSequenceCursor* cursor) {
    const GribSequenceFrame* frame = CurrentFrame(cursor);
    return frame ? frame->image : nullptr;
}

int32_t GRIB_SequenceDuration(const GribSequenceCursor* cursor) {
    const GribSequenceFrame* frame = CurrentFrame(cursor);
    return frame ? frame->duration : -1;
}
