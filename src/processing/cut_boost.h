#pragma once
// The parametric cut/boost filter: one second-order peaking filter tuned by
// gain (whole dB), centre and width, tried on working copies of the sound's
// channels before it is committed.
//
// Slider positions count FFT bins of the sustain frame (N = 1024 * 2^e):
//   centre     f0 = rate * freqPosition / N Hz
//   width      shown as rate * widthPosition / N Hz
//   bandwidth  rate * widthPosition * 0.125 / N Hz, one eighth of the width
//              shown, is what the filter gets.
// Each Apply filters the copies as they are, so two Applies of +6 dB give
// +12 dB at the centre. The sound is touched only by commit().

#include <cstdint>
#include <string>
#include <vector>

struct SampleBuffer;
class UndoHistory;

constexpr int kCutBoostMaxGainDb = 18; // the gain field accepts -18 .. 18

double cutBoostCentreHz(int32_t sampleRate, int freqPosition, int n);
double cutBoostWidthHz(int32_t sampleRate, int widthPosition, int n);
double cutBoostBandwidthHz(int32_t sampleRate, int widthPosition, int n);

// "(Cut)" below 0 dB, "(Boost)" above, empty at 0.
std::string cutBoostGainKind(int gainDb);
// The two window sizes in units of 1024 samples: "(" + 2^e * 0.25 + " K)" and
// "(" + 2^e + " K)" with 4 significant digits ("(8. K)" and "(32. K)" at e = 5).
std::string cutBoostAttackSizeLabel(int fftSizeExp);
std::string cutBoostSustainSizeLabel(int fftSizeExp);

// The slider ranges and starting positions for a sustain frame of N samples:
// frequency 0 .. N/2 - 1 (start N/4 unless remembered), width 10 .. N/4 - 1
// (start 10 unless remembered). Remembered positions (-1: none) are clamped to
// the range; a tiny frame keeps each range at least one position wide.
struct CutBoostSliderSetup {
    int freqMin = 0, freqMax = 0, freqPosition = 0;
    int widthMin = 10, widthMax = 10, widthPosition = 10;
};
CutBoostSliderSetup cutBoostSliders(int n, int rememberedFreq, int rememberedWidth);

class CutBoostSession {
public:
    // Working copies of the sound's channels (frame count samples each).
    explicit CutBoostSession(const SampleBuffer& doc);

    int channels() const { return channels_; }
    int32_t frameCount() const { return frames_; }
    int32_t sampleRate() const { return rate_; }
    const int16_t* channel(int c) const { return copies_[c].data(); }
    const std::vector<int16_t>& copy(int c) const { return copies_[c]; }

    // One run of the peaking filter over every copy, in place. A gain of 0 dB
    // leaves the copies as they are. Marks the session applied either way.
    void apply(int gainDb, int freqPosition, int widthPosition, int n);
    // The analysis settings changed under the dialog: OK must refresh the
    // window even if no filter ran.
    void markApplied() { applied_ = true; }
    bool applied() const { return applied_; }

    // OK of the dialog. When something was applied: the undo snapshot, then
    // the copies over the sound's channels; true (the caller refreshes the
    // window). Otherwise nothing happens and false is returned.
    bool commit(SampleBuffer& doc, UndoHistory& history) const;

private:
    std::vector<int16_t> copies_[2];
    int channels_ = 0;
    int32_t frames_ = 0;
    int32_t rate_ = 0;
    bool applied_ = false;
};
