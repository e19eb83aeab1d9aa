#pragma once
// Model of the manual pitch dialog's spectrum view: each channel's whole
// spectrum (0 .. R/2) across the view's width, one column per pixel, with
// the chosen bin of each channel marked. The window class draws what this
// gives it and forwards the clicks.
//
// Pixel conventions as in spectrum_display.h: x runs 0 .. W-1, y 0 .. H-1
// from the top. J = (N/2) / W bins per column (real division, below 1 when
// the view is wider than the spectrum). Mono: baseline at the bottom. Stereo:
// channel 1 in the upper half (baseline at H/2), channel 2 in the lower half
// (baseline at H), a separator across the middle. Column heights are
//   trunc((level dB + 100) * s + 0.5),  s = H / 100 (halved for stereo),
// from the largest magnitude of the column's bins.

#include "dsp/manual_pitch.h"
#include "views/spectrum_display.h"

#include <cstdint>
#include <vector>

// Column x covers bins trunc(x*J + 0.5) .. trunc((x+1)*J + 0.5) - 1 (below
// N/2); a column without bins repeats its left neighbour (0 for the first).
// A largest magnitude of 0.032 or less gives 0. columns has widthPx entries.
void computeManualPitchColumns(const double* magnitudes, int n, int widthPx, int heightPx, bool stereo,
                               int32_t* columns);

// The column that marks a bin: trunc(bin / J + 0.5), kept inside 0 .. W-1
// (the slider's last bins round to W on a view narrower than the spectrum).
int manualPitchMarkerColumn(double bin, int n, int widthPx);
// The bin under column x: x * J.
double manualPitchBinAt(int x, int n, int widthPx);
// The channel a click at y moves: 1 (the second) in the lower half of a
// stereo view (y > H/2), else 0.
int manualPitchChannelAt(int y, int heightPx, int channels);

class ManualPitchDisplay {
public:
    // The sound whose spectra are shown; forgets the columns.
    void setSound(const ManualPitchSound& sound);
    const ManualPitchSound& sound() const { return sound_; }

    // The columns for a view of this size: the spectra are transformed once
    // (the first call), the columns again whenever the size changes.
    // Returns false when there is nothing to show.
    bool prepare(int widthPx, int heightPx);
    bool hasColumns() const { return columnWidth_ > 0; }
    const std::vector<int32_t>& columns(int channel) const { return columns_[channel]; }

    // The lines of a paint, in drawing order: every column of positive
    // height (SpectrumPen::Column), then each channel's marker column
    // (SpectrumPen::SelectedMarker), then for stereo the separator
    // (SpectrumPen::Divider). Columns must have been prepared at this size.
    std::vector<SpectrumStroke> strokes(int widthPx, int heightPx, const double bins[2]) const;

private:
    ManualPitchSound sound_;
    std::vector<double> magnitudes_[2];
    std::vector<int32_t> columns_[2];
    int columnWidth_ = 0;
    int columnHeight_ = 0;
};
