#pragma once
// What the cut/boost dialog's two spectrum views compute: the bars of one
// Kaiser-windowed FFT frame per channel, the outline of the peaking filter
// drawn over them, and the pointer read-out.
//
// Pixel conventions: x runs 0 .. W-1 from the left of the client area, y
// 0 .. H-1 from its top. Bins per pixel b = (N/2) / W (a real number), so
// column i covers bins trunc(i*b + 0.5) .. trunc((i+1)*b + 0.5) - 1. A bar is
//   trunc((level dB + 100) * scale + 0.5) pixels, scale = H / 100 (mono) or
//   H / 200 (stereo: each channel has its half, baseline at its bottom),
// with the level of spectrum.h (-100 dB at or below the noise floor). A column
// whose largest magnitude is 0.032 or less gets no bar at all.
//
// Frame sizes follow the main analysis window of 1024 * 2^e samples: the
// attack view takes N = 256 * 2^e samples from frame 0, the sustain view
// N = 1024 * 2^e from the analysis start. Frames past the end of the sound
// read as silence.

#include "dsp/fft.h"

#include <cstdint>
#include <string>
#include <vector>

// N of each view (truncated; 0 when below 2 samples, no spectrum then).
int cutBoostAttackSize(int fftSizeExp);
int cutBoostSustainSize(int fftSizeExp);

// Bars of one channel: `bars` gets widthPx entries. `frame` is a work array
// the function sizes to N.
void computeCutBoostBars(const int16_t* samples, int32_t count, int32_t start, int n, int widthPx,
                         int heightPx, bool stereo, std::vector<int>& bars, std::vector<Complex>& frame);

// The filter's outline: four corners (c-w-1, m), (c-1, a), (c+1, a),
// (c+w+1, m) with c = trunc(freqPos / b + 0.5), w = trunc(widthPos / b + 0.5),
// m = H / 2 and a = m - trunc(gainDb * H * 0.01): above the middle for a boost,
// below it for a cut, flat at 0 dB.
struct FilterShape {
    int x[4] = {0, 0, 0, 0};
    int y[4] = {0, 0, 0, 0};
    // Bounding box, inclusive of the corners.
    int left() const;
    int right() const;
    int top() const;
    int bottom() const;
};
FilterShape cutBoostFilterShape(int widthPx, int heightPx, int n, int freqPosition, int widthPosition, int gainDb);

// The pointer at (x, y): frequency x * b * rate / N with 6 significant digits
// + " Hz"; level trunc(k * y' + 0.5) + " dB", k = -100 / H (mono, y' = y) or
// -100 / (H / 2) (stereo, y' = y in the upper half, y - H/2 in the lower).
struct CutBoostReadout {
    std::string hz;
    std::string db;
};
CutBoostReadout cutBoostReadout(int x, int y, int widthPx, int heightPx, int n, int32_t sampleRate, bool stereo);
