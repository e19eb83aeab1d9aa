#pragma once
// Fundamental-frequency detection from one Kaiser-windowed FFT frame by a
// harmonic-comb search. All spacings and candidates are fractional FFT bins;
// a bin b of an N-point frame is b * rate / N Hz.

#include "dsp/fft.h"

// The comb spacing f (in bins) that best explains the magnitudes.
// Candidates run f = firstBin, firstBin + stepBin, ... while f <= lastBin
// (by repeated addition, in ascending order). For each, the multiples o = f,
// 2f, ... below N/2 read magnitudes[min(trunc(o + 0.5), N/2 - 2)]; every
// magnitude above `level` adds to the sum and counts as a hit. Sparseness is
// (index of the last hit) / (hits), 1e6 without hits. A candidate replaces
// the best so far when its sum >= the best sum, or when its sum is within a
// factor 1.15 of it (> best / 1.15) and it is less sparse. Equal sums thus go
// to the higher candidate. Returns defaultBin when no candidate is examined
// (first > last, or a step or range that would never end).
//
// A candidate narrower than resolvableSpacing (the window's main-lobe width,
// in bins) cannot tell one harmonic's lobe from the next: its multiples would
// collect the flanks of every lobe and outweigh the true spacing, so a
// short frame (few bins per harmonic) would read an octave or more too low.
// Such a candidate counts a multiple only where the magnitude is a spectral
// peak (not below either neighbour). Wider candidates read every magnitude
// as above; 0 (the default) keeps every candidate reading every magnitude.
//
// With supportPeaks (sorted bins of the strong spectral peaks, see
// strong_peaks), a candidate with no strong peak at its first or second
// multiple is not examined (spacing_is_supported). Vibrato smears the upper
// harmonics into humps wider than their spacing; a comb far finer than the
// fundamental then collects hump after hump and outweighs it (a 392 Hz tone
// with a +-25 cent vibrato read four octaves low). No such fine comb has a
// peak of its own to stand on.
double harmonic_comb_search(int n, const double* magnitudes, double level, double firstBin,
                            double lastBin, double stepBin, double defaultBin, double resolvableSpacing = 0.0,
                            const int* supportPeaks = nullptr, int supportCount = 0);

// Null-to-null width in bins of the main lobe of a Kaiser window's spectrum:
// 2 * sqrt(1 + (beta / pi)^2), about 6.67 bins for beta 10.
double kaiser_main_lobe_width(double beta);

// The fundamental of a frame made by samples_to_complex, kaiser_window (beta
// 10) and fft_forward, as a fractional bin. Fills magnitudes (N/2 doubles)
// through magnitude_spectrum. Without a hint (hintHz <= 0) the candidates run
// from max(lowCut + 1, about peak / 16) to peak + 0.5 in steps of 0.1 bin;
// with a hint they run from hint / 1.09 to hint * 1.09 in steps of 0.01 bin.
// Candidates narrower than the main lobe of the beta-10 window count spectral
// peaks only, and candidates with no peak within 40 dB of the largest at
// their first or second multiple are skipped (see harmonic_comb_search).
// The chosen spacing is then refined by refine_fundamental (pitch_refine.h):
// the comb only chooses which harmonic is the fundamental, on a 0.1-bin grid
// (a pure sine read up to 0.5 bin sharp); the refinement measures it to a
// fraction of a cent. A frame with no bin above the noise floor has
// fundamental 0 (0 Hz).
double detect_pitch(int n, const Complex* frame, double* magnitudes, int sampleRate, double hintHz);
