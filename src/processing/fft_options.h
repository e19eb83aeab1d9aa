#pragma once
// The analysis window of the main spectrum: 1024 * 2^e samples (e =
// fftSizeExp) from sample trunc(sampleCount * fftStartFraction). The FFT
// options dialog edits e (0 .. 6) and the start in milliseconds; this module
// turns them into the document's settings and keeps the window inside the
// sound.
//
// Window-fitting rule: while 1024 * 2^e + fraction * N >= N, e decreases by 1
// (N = sampleCount). The window therefore always ends before the last sample.
// A start so late that not even a 128-sample window (e = -3) would fit is
// first moved back to N - 129, the latest start that leaves room for one; a
// sound of 129 frames or fewer starts its window at 0 and the rule goes on
// below 128 samples (never below one sample, e = -10).

#include <cstdint>

struct SampleBuffer;

constexpr int kFftOptionsMaxMs = 60000; // what the start field accepts
constexpr int kSmallestFittedWindow = 128;
constexpr int kLowestFftSizeExponent = -10;

// What the dialog opens with.
struct FftOptionsRequest {
    int32_t largestStartMs = 0; // trunc((N - 1024) * 1000 / rate), 0 for shorter sounds
    int16_t exponent = 4;       // fftSizeExp
    int32_t startMs = 0;        // trunc(N * fraction * 1000 / rate)
};
FftOptionsRequest fftOptionsRequest(const SampleBuffer& doc);

// 1024 * 2^e as a sample count (a real number: e may be negative).
double fftWindowSamples(int exponent);

// The rule above on doc.fftSizeExp, after clamping doc.fftStartFraction to a
// start that leaves room for the smallest window.
void fitAnalysisWindow(SampleBuffer& doc);

// The settings chosen in the dialog: fraction = startMs * 0.001 * rate / N,
// e = exponent, then fitAnalysisWindow. Nothing else of the document changes.
void applyFftOptions(SampleBuffer& doc, int exponent, int32_t startMs);

// The first and last sample the dialog's position strip marks for a start in
// ms and an exponent: first = trunc(rate * startMs * 0.001), last = first +
// 1024 * 2^exponent.
struct SampleStretch {
    int32_t first = 0;
    int32_t last = 0;
};
SampleStretch fftWindowStretch(int32_t sampleRate, int32_t startMs, int exponent);

// The pitch moved far enough for the profiles to be computed again:
// newHz * 1.05 < oldHz, or newHz / 1.05 > oldHz.
bool pitchMovedBeyondFivePercent(double oldHz, double newHz);
