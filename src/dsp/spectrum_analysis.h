#pragma once
// The main window's spectrum analysis: one FFT frame per channel over the
// analysis window of the sound, giving each channel's fundamental and the
// magnitude spectra the spectrum display shows; and the pitch update that
// turns the channel fundamentals into the sound's pitch and notes.

#include "dsp/fft.h"

#include <cstdint>
#include <string>
#include <vector>

struct SampleBuffer;

// Results of one analysis, kept by the caller and reused from run to run (the
// arrays are resized only when the frame size changes).
struct SpectrumAnalysis {
    int frameSize = 0;       // N
    int channels = 0;        // 1 or 2; 0 before the first successful run
    int32_t sampleRate = 0;
    double fundamentalBin[2] = {0.0, 0.0}; // fractional bins
    double channelHz[2] = {0.0, 0.0};      // fundamentalBin * rate / N
    std::vector<double> magnitudes[2];     // N/2 per channel
    std::vector<Complex> frame;            // work buffer
};

// N = 1024 * 2^fftSizeExp, truncated (the exponent may be negative for short
// sounds: -3 gives 128).
int analysisFrameSize(int fftSizeExp);
// trunc(sampleCount * fftStartFraction), never below 0.
int32_t analysisStart(const SampleBuffer& doc);

// The fundamental of N samples of one channel from `start`, as a fractional
// bin: samples_to_complex, kaiser_window (beta 10), fft_forward, detect_pitch.
// Positions outside 0 .. count-1 read as silence, so a window that runs past
// the end of the sound is zero-padded rather than read out of bounds.
// frame (N) and magnitudes (N/2) are the caller's work arrays.
double analyseChannel(const int16_t* samples, int32_t count, int32_t start, int n, int32_t sampleRate,
                      double hintHz, Complex* frame, double* magnitudes);

// The fundamental found at `start` (firstBin), averaged with the same
// analysis of the later frames, a quarter frame apart, that fit in the sound
// (up to 16 frames in all, each hinted with firstBin), with Hann weights
// over the frames; a frame more than a semitone off firstBin (a note that
// glides or breaks) is left out. One frame sees a window^2-weighted mean of
// the instantaneous frequency over about 0.37 s at 44.1 kHz, less than two
// cycles of a 5 Hz vibrato, and may sit 40 cents off the vibrato's centre;
// the weighted frames make one smooth window up to 1.8 s long whose
// transform is small at 4-8 Hz, which brings the mean within a few cents.
// A sound too short for more frames keeps the one-frame figure.
// frame and magnitudes are work arrays (N and N/2), overwritten.
double sustainMeanBin(const int16_t* samples, int32_t count, int32_t start, int n, int32_t sampleRate,
                      double firstBin, Complex* frame, double* magnitudes);

// Runs the analysis over doc's window for every channel, with hintsHz[c] as
// channel c's hint (nullptr: no hints, the automatic detection) and stores
// each channel's frequency in doc.channelPitch (the mean of sustainMeanBin;
// the magnitudes shown are those of the first frame). Returns false when there is
// no sound or the window is shorter than 2 samples: the sound then has no
// pitch (channelPitch 0), never the pitch of the sound before it.
bool analyseSpectrum(SampleBuffer& doc, const double* hintsHz, SpectrumAnalysis& result);

// What the window shows after a pitch update.
struct PitchUpdate {
    double pitchHz = 0.0;
    std::string pitchText;         // 6 significant digits + " Hz"
    int detectedNote = 0;          // also the new midiNote
    int note31 = 0;
    int noteSelection = -1;        // index for the MIDI note selector; -1 above 127
    bool cleanLowFrequencies = false;
};

// pitchHz from channelPitch (mono: channel 0; stereo: geometric mean), then
// detectedNote = midiNote and note31 from it (0 at or below 8.175798915 Hz).
PitchUpdate updatePitch(SampleBuffer& doc);

// Clean low frequencies is offered only for a pitch above 32 Hz.
bool cleanLowFrequenciesAllowed(double pitchHz);
