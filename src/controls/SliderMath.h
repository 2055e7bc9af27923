// Position and pixel arithmetic of the bitmap slider, kept free of any window.
#pragma once

namespace ctl {

// One axis of the slider: range, drawing length, thumb length and the margins
// at the low (left/top) and high (right/bottom) ends.
struct SliderAxis {
    int min = 0;
    int max = 100;
    int length = 0;
    int thumb = 0;
    int marginLow = 0;
    int marginHigh = 0;
};

// Thumb centre pixel of a position. An empty range puts the thumb at the low end.
int SliderPosToPixel(const SliderAxis& a, int pos);
// Position of a thumb centre pixel (truncated). An empty range or a track with no
// room gives the minimum.
int SliderPixelToPos(const SliderAxis& a, int pixel);
// A drag point (mouse minus grip offset) kept inside the thumb's travel.
int SliderClampDragPixel(const SliderAxis& a, int pixel, bool vertical);
// SetPos rule: digit mode wraps once, slider mode clamps.
int SliderNormalisePos(int pos, int min, int max, bool digitMode);

} // namespace ctl
