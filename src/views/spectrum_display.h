#pragma once
// Model of the main spectrum display: one column per pixel covering 0 .. 32
// times each channel's fundamental, with a marker at every harmonic; what to
// paint; which harmonic a click selects; the pointer read-out. The window
// class only draws what this gives it and forwards the mouse.
//
// Pixel conventions: x runs 0 .. width-1 from the left of the client area,
// y 0 .. height-1 from its top. A mono display has its baseline at the bottom;
// a stereo display has channel i's baseline at (i + 1) * height / 2 and a
// divider at height / 2. Column heights are
//   trunc((level dB + 100) * H + 0.5),  H = height / 100 (halved for stereo),
// so -100 dB .. 0 dB fills the (half) height.

#include <cstdint>
#include <string>
#include <vector>

struct SpectrumAnalysis;

// Column values at or above this carry a harmonic marker: the height is the
// value minus kMarkerFlag.
constexpr int32_t kMarkerFlag = 10000;
constexpr int kSpectrumHarmonics = 32;

// Columns of one channel from its magnitudes (N/2 of them) and fundamental bin.
// Column k takes the largest magnitude of bins trunc(k*J + 0.5) ..
// trunc((k+1)*J + 0.5) - 1 below N/2, J = 32 * fundamentalBin / width; a
// column without bins repeats the column to its left (0 for the first).
// Markers are then placed (see placeHarmonicMarkers). columns has width
// entries.
void computeSpectrumColumns(const double* magnitudes, int n, double fundamentalBin, int widthPx,
                            int heightPx, bool stereo, int32_t* columns);

// For each harmonic h with x = h * width / 32 < width: column P = trunc(x + 0.5)
// moves one step toward a higher neighbour (right when its right neighbour is
// at least as high, left when only its left one is higher), and gets
// kMarkerFlag added.
void placeHarmonicMarkers(int32_t* columns, int widthPx);

enum class SpectrumPen { Column, Marker, SelectedMarker, Divider };

// One straight line, drawn as move-to (x0, y0) then line-to (x1, y1): the
// end point itself is not painted, as with the toolkit's line calls.
struct SpectrumStroke {
    SpectrumPen pen;
    int x0, y0, x1, y1;
};

struct SpectrumReadout {
    double frequencyHz = 0.0;
    int levelDb = 0;
    std::string frequencyText; // 6 significant digits + " Hz"
    std::string levelText;     // integer + " dB"
};

class SpectrumDisplay {
public:
    // Forgets the picture while a new analysis runs (paint shows background).
    void beginAnalysis() { ready_ = false; }
    // Columns for every analysed channel at the given client size; leaves the
    // display not ready until markReady().
    void setAnalysis(const SpectrumAnalysis& analysis, int widthPx, int heightPx);
    void markReady() { ready_ = true; }
    bool isReady() const { return ready_; }

    int channelCount() const { return channels_; }
    const std::vector<int32_t>& columns(int channel) const { return columns_[channel]; }
    double channelHz(int channel) const { return channelHz_[channel]; }

    int selectedHarmonic() const { return selected_; }
    void setSelectedHarmonic(int harmonic) { selected_ = static_cast<int16_t>(harmonic); }

    // The lines of a paint over a client area of the given size, in drawing
    // order; empty while not ready (only the background is painted).
    std::vector<SpectrumStroke> strokes(int widthPx, int heightPx) const;

    // A left click at x: the harmonic it selects (which becomes the selected
    // one), or 0 when the click is not on or beside a marker or nothing has
    // been analysed.
    int click(int x, int widthPx);

    // The read-out at (x, y); false while not ready.
    bool readout(int x, int y, int widthPx, int heightPx, SpectrumReadout& out) const;

private:
    int channels_ = 0;
    std::vector<int32_t> columns_[2];
    double channelHz_[2] = {0.0, 0.0};
    int16_t selected_ = 1;
    bool ready_ = false;
};

// Pure forms of the mouse rules, for the display and its tests.
// Harmonic n = trunc(x / c + 0.5), c = width / 32, is hit when
// c*n - 2 <= x <= c*n + 1 and 1 <= n <= 32; else 0.
int spectrumHarmonicAt(int x, int widthPx);
// Frequency (x + 1) * 32 * f / width with f the channel under y (the first for
// mono or the upper half); level trunc(-100 * y' / h + 0.5) with h the height
// of the (half) display and y' measured from its top.
SpectrumReadout spectrumReadoutAt(int x, int y, int widthPx, int heightPx, int channels,
                                  const double channelHz[2]);
