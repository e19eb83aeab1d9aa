#pragma once
// Rational-ratio sample-rate conversion: a polyphase low-pass FIR with a
// Kaiser-windowed sinc.
//
// The output rate is the source rate R times L / M (up factor L, down factor
// M, reduced by the caller). Conceptually the input is stretched by L (L - 1
// zeros after every sample), low-passed below the lower of the two Nyquist
// frequencies, and every M-th value is kept; only the kept values are ever
// computed.
//
// Band. Everything at and above the lower Nyquist frequency is what a
// conversion must not let through: above the new Nyquist frequency it would
// fold back as an alias (going down), above the old one it is an image of
// the stretching (going up). So the stop band starts there, and the
// transition takes the tenth of the band below it. In radians per stretched
// sample (rate R L):
//   stop edge ws = pi / max(L, M),  pass edge 0.9 ws,  cut-off wc = 0.95 ws
// (at 44100 <-> 48000 Hz: flat to 19845 Hz, stopped from 22050 Hz).
//
// Design (A = 82 dB: Kaiser's length rule falls up to half a dB short of A
// at the stop edge, so this leaves at least 81.5 dB everywhere in the stop
// band, as a dense transform of the prototype shows for ratios from 2 / 1 to
// 320 / 441; the pass band is flat within 0.001 dB):
//   beta = kaiser_beta(A),  D = kaiser_width_factor(A)
//   n = fir_length(max(L, M), 0.05, D): the smallest odd number >=
//       20 D max(L, M) + 1, the length for a transition of 0.1 ws
//   K = ceil((n - 1) / (2 L)),  2K taps per phase,  prototype points
//   v = 1 .. 2KL - 1 centred on C = KL (v = 0 is left at 0, so that every
//   phase is the mirror of another and the delay is exactly C):
//     h(C) = L wc / pi
//     h(v) = w(v) L sin((v - C) wc) / ((v - C) pi)
//     w(v) = I0(beta sqrt(v (2C - v)) / C) / I0(beta)
//   Phase p (0 .. L-1) holds the taps h(p + jL), j = 0 .. 2K-1.
// At L = M nothing lies at or above the Nyquist frequency: the filter is the
// unit impulse, one tap, and the output equals the input.
//
// Timing. Output m stands for input time m M / L exactly: the filter's delay
// of C stretched samples (K input samples) is taken out, so content, and the
// loop points scaled by L / M, stay where they were.
//   out[m] = sum_{j=0..2K-1} h(mM mod L + jL) * in[floor(mM / L) + K - j],
// summed from j = 0 (the newest input) up, with in[i] = 0 for i < 0 and
// in[i] = in[N - 1] for i >= N (the last sample is held). Samples enter
// divided by 32768; each output is y * 32768 rounded half away from zero
// (trunc(v + 0.5) above 0, trunc(v - 0.5) otherwise) and clamped to
// -32768 .. 32767.
//
// Every output is the sum above evaluated in exactly that order, in IEEE
// double products and sums (never fused), so the result depends neither on
// how the work is scheduled nor on the processor's vector width.

#include <cstdint>
#include <vector>

// The coefficient table of one conversion, built once and run over any
// number of channels of the same length ratio.
class SincResampler {
public:
    // sourceRate R >= 1, upFactor L >= 1, downFactor M >= 1, outFrames >= 0.
    // The design depends on L and M only; the rate is kept for callers that
    // state it.
    SincResampler(int32_t sourceRate, int32_t upFactor, int32_t downFactor, int32_t outFrames);

    // Writes outFrames samples to `out` from the inFrames (>= 1) samples of
    // `in`. `out` must not overlap `in`.
    void run(int32_t inFrames, const int16_t* in, int16_t* out) const;
    // The same sums over samples at any resolution, in the units of `in`,
    // left unrounded and unclamped (a float file's own values, or a wide
    // PCM file's integers, which the caller rounds to its format).
    void run(int32_t inFrames, const double* in, double* out) const;

    int tapsPerPhase() const { return taps_; }
    // K above: the filter's delay in input samples, taken out of the output.
    int32_t delayInputs() const { return delay_; }

private:
    // The unrounded sums out[m] of the header, by one of the two layouts.
    template <class Sample>
    void runSums(int32_t inFrames, const Sample* in, double* out) const;
    template <class Sample>
    void runDirect(int32_t inFrames, const Sample* in, double* out) const;
    template <class Sample>
    void runTransposed(int32_t inFrames, const Sample* in, double* out) const;

    int32_t up_;
    int32_t down_;
    int32_t outFrames_;
    int taps_ = 0;
    int32_t delay_ = 0;
    // Output m uses row m mod rows_: one per phase slot the outputs reach
    // (L rows, or fewer when there are fewer outputs than slots).
    int32_t rows_ = 0;
    std::vector<double> coefficients_; // rows_ x taps_, tap 0 (newest input) first
    std::vector<int64_t> newest_;      // per row: the newest input index of output m = row
};

// The whole conversion of one channel: inFrames input samples at sourceRate
// to outFrames output samples at sourceRate * upFactor / downFactor.
void resample_sinc(int32_t sourceRate, int32_t upFactor, int32_t downFactor, int32_t inFrames, int32_t outFrames,
                   const int16_t* in, int16_t* out);
