// The drawing target of every raster and 2D operation: the bitmap given, or
// for a null bitmap the locked screen, unlocked again when this goes.
#pragma once

#include "grib/bitmap/bitmap.h"

class GribTarget {
public:
    explicit GribTarget(GribBitmap* bitmap) : bitmap_(bitmap) {
        if (!bitmap_ && GRIB_LockScreen(&screen_)) bitmap_ = &screen_;
    }
    ~GribTarget() {
        if (bitmap_ == &screen_) GRIB_UnlockScreen(&screen_);
    }
    GribTarget(const GribTarget&) = delete;
    GribTarget& operator=(const GribTarget&) = delete;
    // Null when a null target finds no screen.
    GribBitmap* get() const { return bitmap_; }
    // There are pixels to draw into.
    bool ok() const { return bitmap_ && bitmap_->pixels; }

private:
    GribBitmap screen_{};
    GribBitmap* bitmap_;
};
