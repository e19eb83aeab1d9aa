#pragma once
// Harmonic comb filters designed in the frequency domain.
//
// A filter frame of n samples holds k pitch periods (k from
// best_power_of_two_multiple(rate / pitch, 8, 24)), so harmonic o of the
// pitch falls on bin o * k of the frame; n is the power of two nearest to
// rate * k / pitch. The design writes a mask over the n bins, magnitude 1
// where the filter passes and 0 where it stops, with bands of 2m + 1 bins
// centred on o * k. Each bin i gets phase 2 * pi * i / n; the inverse FFT of
// the mask gives the n FIR coefficients (order n - 1), which the FIR engine
// runs over the whole channel with its delay compensated.
//
// Only bins 1 .. n/2 - 1 are ever written, each with its mirror n - j, so
// the response is real; bin 0 is written alone (inharmonic: stopped) and
// bin n/2 keeps the starting magnitude. Band bins outside 1 .. n/2 - 1 are
// skipped.
//
// Masks:
// - Inharmonic: start at 1; bin 0 and every band o * k +- m with
//   o * k + m < n/2 set to 0; then every listed harmonic's band back to 1.
// - Pass listed: start at 0; the listed harmonics' bands set to 1, in list
//   order, stopping at the first entry with o * k >= n/2.
// - Pass all except listed: start at 0; every band with o * k < n/2 set to 1;
//   then the listed bands set to 0, stopping as above.
//
// Applying: the response is centred n/2 samples after the point the FIR
// engine compensates for, so the channel is filtered with n/2 zeros after
// it and read from n/2 on: the output at t is built from the k periods
// around t, for every operation, and the parts stay aligned with the sound.
// - Inharmonic and Extract: that result.
// - Reduce: out = in - that result, clamped to the 16-bit range.
// A channel of pitch 0 or less (silent) is copied unchanged.

#include "dsp/fir_filter.h"
#include "extraction/harmonic_list.h"

#include <cstdint>
#include <vector>

enum class CombOperation { Inharmonic, Extract, Reduce };
enum class CombMode { PassListed, PassAllExceptListed }; // harmonic operations only

struct CombFilterDesign {
    CombOperation operation = CombOperation::Inharmonic;
    CombMode mode = CombMode::PassAllExceptListed;
    int maskRows = 1; // 1 .. 10: the band width
};

// The frame n = nearest_power_of_two(trunc(rate * k / pitch + 0.5)); 0 when
// the pitch is not positive or the frame would pass kMaxCombFrame.
constexpr int kMaxCombFrame = 1 << 22;
int harmonic_comb_frame(int32_t sampleRate, double pitchHz, int k);

// Band half-width m = trunc((rows - 1) / 9 * k / 4 + 0.5) bins, in real
// arithmetic: 0 for one row, about k / 4 for ten.
int harmonic_comb_band(int maskRows, int k);

// The mask magnitudes of the n bins (see above); n a power of two >= 4.
std::vector<double> harmonic_comb_mask(int n, int k, int m, const HarmonicList& list, const CombFilterDesign& design);

// The n FIR coefficients: the inverse FFT of the mask with phases
// 2 * pi * i / n, real parts.
std::vector<double> harmonic_comb_coefficients(int n, int k, int m, const HarmonicList& list,
                                               const CombFilterDesign& design);

// One channel of `count` samples from `in` into `out` (which may be `in`).
// Returns false, with out a copy of in, when the pitch is not positive or
// the frame is out of reach. `method` forces the FIR engine's way of
// running, for benchmarks that compare them.
bool harmonic_comb_filter(int32_t sampleRate, double pitchHz, int k, int32_t count, const int16_t* in, int16_t* out,
                          const HarmonicList& list, const CombFilterDesign& design,
                          FirMethod method = FirMethod::Automatic);

// The rate at which k periods of the pitch span exactly a power of two of
// samples: T = rate / pitch, k = best_power_of_two_multiple(T, 8, 24),
// L = k * T, P = nearest_power_of_two(trunc(L + 0.5)),
// result trunc(P * rate / L + 0.5). The rate itself when the pitch is not
// positive.
int32_t optimized_sample_rate(int32_t sampleRate, double pitchHz);
