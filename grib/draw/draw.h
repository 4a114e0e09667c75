// 2D drawing on 8-bit bitmaps: bitmap copies, image frames (raw, run-length,
// translucent, scaled), halving, image sequences and bitmap-font text.
// A null GribBitmap target means the (locked) screen.
#pragma once

#include <cstddef>
#include <cstdint>

#include "grib/bitmap/bitmap.h"

struct GribEnvironment;

// Left, top, right, bottom, all inclusive.
struct GribRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Bitmap copies. GRIB_Blit clips against the destination's size; the
// rectangle copies trust their rectangle (callers clip) but still never touch
// a byte outside either bitmap.
void GRIB_Blit(GribBitmap* destination, const GribBitmap* source, int32_t x, int32_t y);
void GRIB_CopyRectKeyed(GribBitmap* destination, const GribBitmap* source, const GribRect* sourceRect,
                        int32_t x, int32_t y, uint8_t key);
void GRIB_CopyRectAlpha(GribBitmap* destination, const GribBitmap* source, const GribRect* sourceRect,
                        int32_t x, int32_t y, uint8_t key, const uint8_t* table);
// rows/rowsSize: the run-length rows and the bytes available there; decoding
// stops at the end of the data.
void GRIB_DrawRle(uint8_t* pixels, uint32_t pitch, int32_t x, int32_t y, const uint8_t* rows, size_t rowsSize,
                  const GribRect* sourceRect);
void GRIB_DrawRleAlpha(uint8_t* pixels, uint32_t pitch, int32_t x, int32_t y, const uint8_t* rows,
                       size_t rowsSize, const GribRect* sourceRect, const uint8_t* table);
void GRIB_BlitToScreen(GribBitmap* destination, const GribBitmap* source, int32_t x, int32_t y);

// Image frames, placed by their origin and clipped to the target's clip
// rectangle (held inside the target). Translucent drawing mixes through the
// environment's alpha table; GRIB_DrawImageTranslucent needs GRIB_FLAG_ALPHA
// as well. Sub-images are drawn in order at the same place; lists nested in
// sub-images are not followed. Scaled frames must be raw.
void GRIB_DrawImage(GribBitmap* target, const GribImage* image, int32_t x, int32_t y);
void GRIB_DrawImageTranslucent(GribBitmap* target, const GribImage* image, int32_t x, int32_t y);
void GRIB_DrawImageScaled(GribBitmap* target, const GribImage* image, int32_t x, int32_t y, double scaleX,
                          double scaleY);
void GRIB_DrawImageScaledTranslucent(GribBitmap* target, const GribImage* image, int32_t x, int32_t y,
                                     double scaleX, double scaleY);
// Writes the destination frame's pixels in place (both frames raw).
void GRIB_HalveImage(const GribImage* source, GribImage* destination);
void GRIB_ClipRects(GribRect* source, GribRect* destination, const GribRect* clip);
int GRIB_RectInside(const GribRect* a, const GribRect* b);

// Image sequences (the animated entries of a GAF file).
struct GribSequenceFrame {
    const GribImage* image;
    uint16_t duration;  // ticks
};
struct GribSequence {
    uint16_t frameCount;
    uint16_t loop;
    char name[32];
    const GribSequenceFrame* frames;
};
// timeLeft is 32-bit so that frame durations above 32,767 ticks keep their
// length instead of wrapping negative.
struct GribSequenceCursor {
    uint16_t frameIndex;
    int32_t timeLeft;
    uint16_t loop;
    const GribSequence* sequence;  // null once a non-looping sequence has ended
};
void GRIB_SequenceStart(GribSequenceCursor* cursor, const GribSequence* sequence, uint16_t first);
void GRIB_SequenceAdvance(GribSequenceCursor* cursor, uint16_t ticks);
const GribImage* GRIB_SequenceFrame(const GribSequenceCursor* cursor);
int32_t GRIB_SequenceDuration(const GribSequenceCursor* cursor);

// Text in the 1-bit bitmap font (docs/font-format.md). Fonts are tagged
// blocks (GRIB_LoadFile); their block size bounds every glyph lookup, and a
// glyph outside the block is a missing glyph. Text is drawn only when its box
// (x, y, x + width, y + height) lies inside the clip rectangle.
void GRIB_SetTextColours(int32_t foreground, int32_t background);  // -1 keeps a colour
void GRIB_SetTextTransparent(uint32_t colour);
void GRIB_SetFont(const uint8_t* font);  // null keeps the current font
int32_t GRIB_FontHeight();
int32_t GRIB_TextWidth(const uint8_t* font, const char* text);
void GRIB_DrawText(GribBitmap* target, const char* text, int32_t x, int32_t y);
void GRIB_DrawTextCentred(GribBitmap* target, const char* text, int32_t y);

// The software cursor (input layer).
void GRIB_DrawCursor(GribEnvironment* env);
