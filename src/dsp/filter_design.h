#pragma once
// Filter designs over the FIR and IIR engines: the Kaiser design helpers, a
// Kaiser-windowed-sinc high-pass, and a second-order peaking cut/boost.
//
// Frequencies are in Hz, levels in dB, sample rates in frames per second.

#include <cstdint>
#include <vector>

// Kaiser window shape for a stop-band attenuation of A dB:
//   0.1102 (A - 8.7)                           A >= 50
//   0.5842 (A - 21)^0.4 + 0.07886 (A - 21)     21 < A < 50
//   0                                          A <= 21
double kaiser_beta(double attenuationDb);

// The Kaiser width factor D, taps ~ rate * D / transition width:
//   (A - 7.95) / 14.36 for A > 21, 0.922 otherwise.
double kaiser_width_factor(double attenuationDb);

// The smallest odd integer >= rate * D / widthHz + 1: the tap count of a
// Kaiser-windowed filter with a transition of widthHz. widthHz must be > 0;
// otherwise (and for a non-finite or oversized result) returns 1.
int32_t fir_length(int32_t sampleRate, double widthHz, double widthFactor);

// The high-pass taps h[0 .. N-1], N = fir_length(rate, pass - stop, D):
// with ripple Rp and attenuation As,
//   dp = (10^(Rp/20) - 1) / (10^(Rp/20) + 1),  ds = 10^(-As/20),
//   A = -20 log10(min(dp, ds)),  beta = kaiser_beta(A),  D = kaiser_width_factor(A),
//   wc = pi (stop + pass) / rate,  M = (N - 1) / 2,
//   h[M] = 1 - wc / pi,
//   h[i] = -(I0(beta sqrt((N-1-i) i) / M) / I0(beta)) sin(wc t) / (pi t),  t = i - M,
// the complement of a Kaiser-windowed low-pass: symmetric, odd length, no
// delay once run through the FIR engine. Empty when pass <= stop.
std::vector<double> highpass_coefficients(int32_t sampleRate, double stopEdgeHz, double passEdgeHz,
                                          double rippleDb, double attenuationDb);

// Runs the high-pass from `in` to `out` (32-bit, not clamped), then
// passes - 1 more times on `out` in place. `out` may be `in`. When the edges
// give no filter (pass <= stop) the channel is copied unchanged.
void highpass_filter(int32_t sampleRate, double stopEdgeHz, double passEdgeHz, double rippleDb,
                     double attenuationDb, int32_t count, const int32_t* in, int32_t* out, int passes);

// Second-order peaking section, a[0] = 1:
//   w0 = 2 pi centre / rate,  wb = 2 pi bandwidth / rate,  K = 10^(gain/20),  G = K^2,
//   H = G / 2 (G > 2), (G + 1) / 2 (0.5 < G <= 2), 2G (G <= 0.5),
//   m = sqrt((H - 1) / (G - H)) tan(wb / 2),
//   a = [1, -2 cos w0 / (1 + m), (1 - m) / (1 + m)],
//   b = [(1 + m K) / (1 + m), -2 cos w0 / (1 + m), (1 - m K) / (1 + m)].
// Its gain is K at the centre and 1 at 0 Hz and at Nyquist; the bandwidth is
// measured 3 dB below a boost peak, 3 dB above a cut dip, and at mid power
// for gains within +-3 dB. Meaningless for a gain of exactly 0 dB.
struct PeakingCoefficients {
    double a[3];
    double b[3];
};
PeakingCoefficients peaking_coefficients(int32_t sampleRate, double centreHz, double gainDb, double bandwidthHz);

// Cuts or boosts one band of a 16-bit channel through iir_filter_samples.
// A gain of exactly 0 dB does nothing: `out` is not written.
void peaking_filter(int32_t sampleRate, double centreHz, double gainDb, double bandwidthHz, int32_t count,
                    const int16_t* in, int16_t* out);
