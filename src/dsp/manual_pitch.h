#pragma once
// Manual pitch detection: what the dialog works on, the spectrum it shows,
// the read-outs of its sliders and how a choice is applied.
//
// The user chooses one FFT bin per channel over the analysis window of a
// sound; bin b of an N-point frame stands for b * R / N Hz. The choices are
// then handed to the pitch detector as hints, which refines each within a
// factor 1.09 (see dsp/pitch.h), so a choice only has to land near the
// right fundamental, not on it.

#include "dsp/fft.h"

#include <cstdint>
#include <string>

struct SampleBuffer;

// What the dialog reads: the caller's arrays, never copied or changed.
struct ManualPitchSound {
    int channels = 0;                               // 1 or 2
    const int16_t* samples[2] = {nullptr, nullptr}; // sampleCount values each
    int32_t sampleCount = 0;
    int32_t sampleRate = 0; // R
    int frameSize = 0;      // N = trunc(2^fftSizeExp * 1024)
    int32_t startSample = 0; // trunc(sampleCount * fftStartFraction + 0.5)

    bool usable() const { return channels >= 1 && sampleCount > 0 && sampleRate > 0 && frameSize >= 2; }
};

// The document's sound and analysis window as the dialog takes them.
ManualPitchSound manualPitchSoundOf(const SampleBuffer& doc);

// The current channel pitches as fractional bins: N * channelPitch[c] / R
// (both entries; the second is meaningless for mono).
void manualPitchBinsOf(const SampleBuffer& doc, const ManualPitchSound& sound, double bins[2]);

// The spectrum the dialog shows for one channel: N samples from the start
// (positions past the end of the sound read as silence), samples_to_complex,
// kaiser_window (beta 10), fft_forward, then magnitudes of bins 0 .. N/2 - 1
// with everything at or below the noise floor (N / 16384) * 0.032 stored as
// 0. Unlike the pitch detector's spectrum nothing is cut below 20 Hz: the
// user may point anywhere. frame holds N values, magnitudes N/2.
void manual_pitch_magnitudes(const ManualPitchSound& sound, int channel, Complex* frame, double* magnitudes);

// Slider position (a bin) to Hz: R * position / N.
double manualPitchFrequency(double bin, int32_t sampleRate, int frameSize);
// "440. Hz": 6 significant digits.
std::string manualPitchFrequencyText(double hz);
// "(" + the first three characters of the MIDI note list's entry + ")":
// "(C#3)" for note 49, "(C3 )" for note 48, "(C-1)" for note 0 (and for any
// frequency at or below 8.175798915 Hz); empty above note 127.
std::string manualPitchNoteText(double hz);

// The hints for the spectrum analysis: R * bins[c] / N.
void manualPitchHints(const double bins[2], int32_t sampleRate, int frameSize, double hintsHz[2]);

// The profiles are recomputed only when the pitch moved by more than a
// factor 1.05 either way (old > 1.05 * new or old < new / 1.05).
bool pitchMovedBeyondProfileTolerance(double oldHz, double newHz);
