#pragma once
// Frequency and amplitude profiles of the first 32 harmonics of a sound over
// time, by a short-time FFT analysis; and the resynthesis of one harmonic from
// its profiles as a single sinusoid.
//
// Analysis (rate R, pitch p in Hz, frame size M, overlap o in percent):
// - Period T = trunc(R / p + 0.5) samples; a = 1 - o / 100; M doubles while
//   M < 4T, so that every frame holds at least four periods; hop = trunc(M0 * a)
//   with M0 the frame size before it grew.
// - Frames start at s = j * hop and are analysed while s + M <= sampleCount and
//   j < trunc(sampleCount / hop) - trunc(1 / a - 1); F is the number so
//   analysed. A sound too short for four such frames is not left blank: M
//   halves (and the hop with it, hop = trunc(M * a)) until four frames fit, but
//   never below 128 nor below two periods (the fundamental at bin 2 or above).
//   A pitch <= 0, or a sound where even that leaves fewer than 4 frames,
//   computes nothing.
// - Each frame of each channel: samples_to_complex, kaiser_window (beta 10),
//   fft_forward; b = detect_pitch with the hint p (fractional bin; a silent
//   frame reads at the hint's bin). Harmonic 1: A = dB(mag[trunc(b + 0.5)]),
//   P = cents(b * R / M). Harmonic n = 2 .. 32: y = trunc(b * n + 0.5); when
//   y < M / 2 the largest magnitude of bins max(y - w, 0) .. min(y + w, M / 2)
//   - 1, w = trunc(0.3 b), gives A (the first largest wins; y when none is
//   above 0), P = cents of that bin's frequency in whole Hz; when y >= M / 2
//   the harmonic lies beyond Nyquist: A = 0 dB (a marker, not a level), P
//   the cents of bin y, and beyondNyquist[c][n - 1][j] is set. That flag is
//   the one rule of what lies beyond Nyquist: the synthesis obeys it.
// - dB(m) = 20 log10(m / ((M / 16384) * 3200)) above the noise floor
//   (M / 16384) * 0.032, else -100; 0 dB is a full-scale sine.
//   cents(f) = 1200 log2(f / 440) + 5700.
// - Then per harmonic the mean of P over every channel and frame is removed:
//   P becomes the deviation in cents from the harmonic's mean frequency, and
//   maxDeviation[k] its largest absolute value.

#include "dsp/fft.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

constexpr int kProfileHarmonics = 32;

// The settings of the profile area. frameSize may come back doubled from a
// computation (see above); the caller stores it back.
struct ProfileSettings {
    int frameSize = 2048;       // a power of two, 128 .. 16384 as chosen
    int16_t overlapPercent = 50; // 0 .. 90
};

struct HarmonicProfiles {
    int channels = 0;           // 0 when nothing was computed
    int frames = 0;             // F
    int hop = 0;                // samples between frame starts
    int frameSize = 0;          // M actually used
    int32_t sampleCount = 0;
    int32_t sampleRate = 0;
    int32_t durationMs = 0;     // trunc(sampleCount * 1000 / rate + 0.5)
    double pitchHz = 0.0;       // the pitch the analysis used
    // amplitude[c][k][j] in dB and frequency[c][k][j] in cents of deviation,
    // harmonic number k + 1, frame j (F entries each).
    std::vector<double> amplitude[2][kProfileHarmonics];
    std::vector<double> frequency[2][kProfileHarmonics];
    // 1 where the harmonic's bin lay at or above M / 2 in that frame.
    std::vector<uint8_t> beyondNyquist[2][kProfileHarmonics];
    double maxDeviation[kProfileHarmonics] = {};

    bool computed() const { return frames > 0 && channels > 0; }
};

// The hop and the frame size used (grown or shrunk, see above) for a sound of
// `sampleCount` frames; false when nothing can be computed. frameSize is
// updated only on success.
bool profile_geometry(int32_t sampleCount, int32_t sampleRate, double pitchHz, int overlapPercent,
                      int& frameSize, int& hop);

// trunc(sampleCount / hop) - trunc(1 / a - 1), limited to the frames whose
// end lies inside the sound (j * hop + frameSize <= sampleCount). Never below 0.
int profile_frame_count(int32_t sampleCount, int frameSize, int hop, int overlapPercent);

enum class ProfileOutcome {
    Computed,
    Nothing,  // no pitch, too short a sound or fewer than 4 frames
    Stopped,  // the stop flag was seen; `out` is incomplete
};

struct ProfileSource {
    const int16_t* samples[2] = {nullptr, nullptr};
    int channels = 0;
    int32_t sampleCount = 0;
    int32_t sampleRate = 0;
    double pitchHz = 0.0;
};

// progress(position, range): once with (0, F) before the first frame, then
// after each frame with every channel done. Looks at `stop` once per frame.
// `out` is reallocated; on Nothing it holds channels = 0 and the duration.
ProfileOutcome compute_harmonic_profiles(const ProfileSource& source, const ProfileSettings& settings,
                                         HarmonicProfiles& out, const std::atomic<bool>& stop,
                                         const std::function<void(int position, int range)>& progress = {});

// Harmonic number `harmonic` (1 .. 32) of channel `channel` as one sinusoid,
// frame by frame: frequency E_j = harmonic * channelHz * 2^(P_j / 1200),
// amplitude G_j = 10^(A_j / 20) * 32767, both ramped linearly across each hop
// from the previous frame's values (the amplitude from 0, the frequency from
// E_0), phase starting at 0, advancing by 2 pi E / outputRateHz per sample.
// outputRateHz is the rate the result is played at: the sound's rate now,
// which a relabelling of the rate may have moved away from the profiles' own
// (channelHz moved with it, so the harmonic sounds at its new pitch; the hop
// and F count samples, which a relabelling keeps). A frame the analysis
// marked beyond Nyquist has amplitude 0, and so has one whose E_j lies at or
// above outputRateHz / 2, so nothing aliases; values are truncated and
// clamped to 16 bits. Writes min(hop * F, outCount) samples and zeroes the
// rest of `out`; returns the count synthesised.
int32_t synthesize_harmonic(const HarmonicProfiles& profiles, int channel, int harmonic, double channelHz,
                            double outputRateHz, int16_t* out, int32_t outCount);
