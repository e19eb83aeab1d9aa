#pragma once
// Everything the waveform display computes that does not need a window: the
// min/max picture per pixel column, the mapping between samples and columns,
// the pens of the loop and crossfade zones, the mouse read-outs, the selection
// band and the play cursor's position.
//
// Conventions used throughout:
// - Columns are pixel x coordinates of the client area, 0 .. width - 1.
// - spp (samples per pixel) = N / width, N = frames per channel.
// - The column of sample p is trunc(p / spp + 0.5); the sample under column x
//   is trunc(x * spp + 0.5). Real-to-integer conversions truncate toward zero.
// - A loop (s, e) covers samples s + 1 .. e; loopEnd <= 0 means no loop.
// - Column spans are inclusive at both ends.

#include <cstdint>
#include <string>
#include <vector>

struct SampleBuffer;

// The picture of the whole sound, one (min, max) pair of y coordinates per
// column and channel. y grows downward; the channel's centre line is
// centreY[c]. Mono: centre height / 2. Stereo: channel i has its half of the
// view with centre (2i + 1) * height / 4.
struct WaveformColumns {
    int width = 0;
    int height = 0;
    int channelCount = 0; // 2 if the sound has a second channel, else 1
    int32_t frameCount = 0;
    double samplesPerPixel = 0.0;
    int centreY[2] = {0, 0};
    // minY[c][x] is the y of the column's smallest sample (drawn lowest, so the
    // larger y), maxY[c][x] the y of its largest. The arrays keep their
    // capacity across rebuilds.
    std::vector<int16_t> minY[2];
    std::vector<int16_t> maxY[2];

    bool empty() const { return channelCount == 0 || frameCount <= 0 || width <= 0; }
};

// Rebuilds the picture. Vertical scale s = height / 65536, halved for stereo;
// a column's entry is centre - trunc(v * s + 0.5) for its minimum and maximum
// sample v, narrowed to 16 bits. Column j scans samples k .. k2 - 1 (below N)
// with k = trunc(j * spp + 0.5), k2 = trunc((j + 1) * spp + 0.5); a column
// with no sample of its own (k >= k2, a sound shorter than the view) is a
// point on the centre line. A sound with no frames or a width of 0 leaves an
// empty picture. `right` may be null for mono.
void rebuildWaveformColumns(const int16_t* left, const int16_t* right, int channelCount,
                            int32_t frameCount, int width, int height, WaveformColumns& out);
void rebuildWaveformColumns(const SampleBuffer& sound, int width, int height, WaveformColumns& out);

// trunc(p / spp + 0.5); 0 when spp is not positive.
int columnOfSample(int64_t sample, double samplesPerPixel);
// trunc(x * spp + 0.5).
int64_t sampleAtColumn(int x, double samplesPerPixel);
// The column used for loop and crossfade marks: columnOfSample, taken as 0
// when negative.
int markColumn(int64_t sample, double samplesPerPixel);

// Pens of the trace, chosen by column range.
enum class TracePen {
    Trace,            // outside the loop, and after it when the cut option is off
    PreLoopCrossfade, // the crossfade-length stretch before loop start
    Loop,             // from loop start to the end crossfade zone
    EndCrossfade,     // the crossfade-length stretch before loop end
    Cut,              // after loop end when the sound is cut after the loop
};

// Columns of the loop marks for a loop (s, e) and crossfade length X:
// xS = mark(s), xE = mark(e), xSf = mark(s - X), xEf = mark(e - X).
struct LoopColumns {
    int xS = 0, xE = 0, xSf = 0, xEf = 0;
    bool cutAfterLoop = false;
    // The dotted markers are drawn when both xS and xE are positive; the end
    // marker only when it lies right of the start marker.
    bool startMarker() const { return xE > 0 && xS > 0; }
    bool endMarker() const { return startMarker() && xS < xE; }
    // Trace pen for [0, xSf), pre-loop crossfade for [xSf, xS), loop for
    // [xS, xEf), end crossfade for [xEf, xE), then trace or cut.
    TracePen penAt(int x) const;
};
LoopColumns loopColumns(double samplesPerPixel, int32_t loopStart, int32_t loopEnd,
                        int32_t crossfadeSamples, bool cutAfterLoop);

// Time under column x: trunc(x * N * 1000 / rate / width + 0.5) + " ms".
// Empty when rate or width is not positive.
std::string timeReadout(int x, int32_t frameCount, int32_t sampleRate, int width);
// Level under row y: the distance in pixels from the channel centre (stereo:
// the nearer centre) over height * 5/9 (mono) or height * 5/18 (stereo), as
// trunc(20 log10(ratio) + 0.5) + " dB", or "-inf" for a ratio of 0.
std::string levelReadout(int y, int height, int channelCount);

// Fine-search values: trunc(sample * 1000 / rate + 0.5) and back,
// trunc(ms * 0.001 * rate).
int32_t sampleToMs(int32_t sample, int32_t sampleRate);
int32_t msToSample(int32_t ms, int32_t sampleRate);

// --- selection ---------------------------------------------------------------

struct ColumnSpan {
    int left;
    int right; // inclusive
};

// What a selection operation changed: the columns to repaint and, in order,
// each new value of the search-enabled flag.
struct SelectionEffects {
    std::vector<ColumnSpan> dirty;
    std::vector<bool> searchTransitions;
    void clear()
    {
        dirty.clear();
        searchTransitions.clear();
    }
};

// The user's selection in samples and its band in columns. The band covers
// columns [bandLeft, bandRight) (nothing when bandLeft >= bandRight); its
// right edge is the column of min(end, N - 1), so a selection ending at N
// reaches the column of the last sample.
class WaveformSelection {
public:
    // Takes the sound's size and scale (a rebuild) and recomputes the band from
    // the selection in samples.
    void setGeometry(int32_t frameCount, double samplesPerPixel);

    // The three operations do nothing (and return false) while N <= 0.
    // start = end = s; the band collapses to the column of min(s, N - 1).
    bool setAnchor(int32_t s, SelectionEffects& fx);
    // start = s; left edge = column of s. If that passes the right edge, the
    // left edge takes the old right edge and setEnd(s) follows.
    bool setStart(int32_t s, SelectionEffects& fx);
    // end = s; right edge = column of min(s, N - 1). If that passes the left
    // edge, the right edge takes the old left edge and setStart(s) follows.
    bool setEnd(int32_t s, SelectionEffects& fx);

    // A left-button drag to sample d: right of the anchor moves the end,
    // otherwise the start; the other edge goes back to the anchor sample, so
    // that a drag crossing the anchor leaves nothing selected on the far side.
    bool dragTo(int32_t d, bool rightOfAnchor, int32_t anchorSample, SelectionEffects& fx);

    int32_t start() const { return start_; }
    int32_t end() const { return end_; }
    int bandLeft() const { return bandLeft_; }
    int bandRight() const { return bandRight_; }

    // Whether the search command may be used. Each operation sets it when it
    // was clear and start < end, and clears it when it was set and start >= end.
    bool searchEnabled() const { return searchEnabled_; }
    void setSearchEnabled(bool on) { searchEnabled_ = on; }

private:
    bool moveStart(int32_t s, bool follow, SelectionEffects& fx);
    bool moveEnd(int32_t s, bool follow, SelectionEffects& fx);
    void invalidate(int oldLeft, int oldRight, SelectionEffects& fx) const;
    void updateSearch(SelectionEffects& fx);
    int lastColumn(int32_t s) const;

    int32_t frameCount_ = 0;
    double spp_ = 0.0;
    int32_t start_ = 0;
    int32_t end_ = 0;
    int bandLeft_ = 0;
    int bandRight_ = 0;
    bool searchEnabled_ = true;
};

// --- play cursor ---------------------------------------------------------------

// Play modes that loop: 3 and 5 forward, 4 and 6 alternate.
// Moves the cursor by delta samples. Forward loops wrap past loop end to
// loopStart + (cursor - loopStart) mod L, alternate loops to
// loopStart + (cursor - loopStart) mod 2L, with L = loopEnd - loopStart.
// Without a loop (L <= 0) the cursor just advances.
int64_t advancePlayCursor(int64_t cursor, int64_t deltaSamples, int playMode,
                          int32_t loopStart, int32_t loopEnd);
// The sample whose column shows the cursor: an alternate loop's cursor beyond
// loop end is on its way back, at 2 * loopEnd - cursor.
int64_t shownCursorSample(int64_t cursor, int playMode, int32_t loopStart, int32_t loopEnd);
