#pragma once
// Magnitude spectra with their noise floor and peak, the decibel scale of the
// spectrum displays, and the integer helpers that choose frame sizes and
// reduce sample-rate ratios.
//
// A magnitude spectrum of an N-point frame is N/2 doubles; bin b stands for
// b * rate / N Hz. Levels are relative to a full-scale sine of a 16384-point
// Kaiser-windowed frame, scaled with N:
//   noise floor  T = (N / 16384) * 0.032
//   level        20 * log10(m / ((N / 16384) * 3200)) dB for m > T, else -100 dB.

#include "dsp/fft.h"

// Fills magnitudes[0 .. N/2-1] from a transformed frame and returns the bin of
// the largest magnitude (the first of equal ones).
// - Bins 0 .. c with c = trunc(N * 20 / rate) (20 Hz and below) are zeroed;
//   c is returned through lowCutBin (0 when rate is not positive).
// - Magnitudes at or below the noise floor T are stored as 0.
// - referenceLevel receives the largest magnitude / 178 (about 45 dB down).
// When no bin rises above the floor the peak is bin 0 and referenceLevel 0.
double magnitude_spectrum(int n, const Complex* frame, double* magnitudes, int sampleRate,
                          int& lowCutBin, double& referenceLevel);

// The noise floor T and the 0 dB magnitude of an N-point frame (see above).
double spectrum_noise_floor(int n);
double spectrum_full_scale(int n);
// The display level of magnitude m in an N-point frame, in dB (-100 at or
// below the noise floor).
double spectrum_level_db(double magnitude, int n);

// Largest power of two <= n, searching down from 2^24 (so 2^24 for anything
// larger); 0 for n <= 0.
int power_of_two_floor(int n);
// Smallest power of two >= n; 1 for n <= 1; at most 2^30.
int power_of_two_ceil(int n);
// The nearer of floor and ceiling; a tie goes to the floor (48 -> 32).
int nearest_power_of_two(int n);

// The k in [from, to) for which trunc(x * k + 0.5) lies nearest a power of two
// (the first such k on ties); `to` when from >= to, or when no product is a
// representable positive length.
int best_power_of_two_multiple(double x, int16_t from, int16_t to);

// p / q reduced by common factors of 2 and by common odd factors from about
// max(p, q) / 2 down to 3 (enough for pairs of sample rates). Zero or negative
// inputs are passed through after the halving step.
void reduce_ratio(int p, int q, int& pOut, int& qOut);
