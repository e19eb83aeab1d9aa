#pragma once
// Rational-ratio sample-rate conversion: a polyphase low-pass FIR with a
// Kaiser-windowed sinc, designed for 80 dB of stop-band attenuation.
//
// The output rate is the source rate R times L / M (up factor L, down factor
// M, reduced by the caller). Conceptually the input is stretched by L (L - 1
// zeros after every sample), low-passed at the lower of the two Nyquist
// frequencies, and every M-th value is kept; only the kept values are ever
// computed.
//
// Design (A = 80 dB):
//   beta = kaiser_beta(A) = 7.85726,   D = kaiser_width_factor(A) = 5.01740947...
//   n = fir_length(R L, R / 4, D)  (transition width a quarter of the source
//       rate; R / 4 is integer division, taken in real numbers below R = 4)
//   K = ceil((n - 1) / (2 L)),  2K taps per phase,  2KL prototype points
//   centred on C = KL,  cut-off pi / max(L, M):
//     h(C) = L / max(L, M)
//     h(v) = w(v) L sin((v - C) pi / max(L, M)) / ((v - C) pi)
//     w(v) = I0(beta sqrt(v (2C - v)) / C) / I0(beta)
//   Phase p (0 .. L-1) holds the taps h(p + jL), j = 0 .. 2K-1.
//
// Timing. Input index x runs from -100; the outputs computed once input x has
// entered are those of slots G with floor(G M / L) = x + 100, phase G M mod L.
// Counting starts again at every input x <= 0, and the first
// Dd = trunc(10 L / M + 0.5) + 3 outputs from input 0 on are dropped, so
//   out[m] = sum_{j=0..2K-1} h(G M mod L + jL) * in[floor(G M / L) - 100 - j],
//   G = ceil(100 L / M) + Dd + m,
// summed from j = 0 (the newest input) up, with in[i] = 0 for i < 0 and
// in[i] = in[N - 1] for i >= N (the last sample is held for as long as
// outputs remain). Samples enter divided by 32768; each output is y * 32768
// rounded half away from zero (trunc(v + 0.5) above 0, trunc(v - 0.5)
// otherwise) and clamped to -32768 .. 32767.
//
// Every output is the sum above evaluated in exactly that order, so the
// result does not depend on how the work is scheduled.

#include <cstdint>
#include <vector>

// The coefficient table of one conversion, built once and run over any
// number of channels of the same length ratio.
class SincResampler {
public:
    // sourceRate R >= 1, upFactor L >= 1, downFactor M >= 1, outFrames >= 0.
    SincResampler(int32_t sourceRate, int32_t upFactor, int32_t downFactor, int32_t outFrames);

    // Writes outFrames samples to `out` from the inFrames (>= 1) samples of
    // `in`. `out` must not overlap `in`.
    void run(int32_t inFrames, const int16_t* in, int16_t* out) const;

    int tapsPerPhase() const { return taps_; }
    // Dd above: outputs dropped for the filter's delay.
    int32_t droppedOutputs() const { return dropped_; }

private:
    void runDirect(int32_t inFrames, const int16_t* in, int16_t* out) const;
    void runTransposed(int32_t inFrames, const int16_t* in, int16_t* out) const;

    int32_t up_;
    int32_t down_;
    int32_t outFrames_;
    int taps_ = 0;
    int32_t dropped_ = 0;
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
