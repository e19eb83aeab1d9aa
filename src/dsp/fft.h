#pragma once
// The program's own discrete Fourier transform, the conversion of 16-bit
// samples into analysis frames, and the Kaiser window.
//
// Conventions shared by every spectral routine:
// - A frame is a caller-owned array of N Complex values, N a power of two.
// - Forward:  X[k] = sum_n x[n] * exp(-2*pi*i*k*n/N), unscaled.
// - Inverse:  x[n] = (1/N) * sum_k X[k] * exp(+2*pi*i*k*n/N).
// - Samples enter the frequency domain divided by 32768, so a full-scale
//   16-bit sample is 1.0.
// The routines keep no state the caller can see and report no errors: a
// length that is not a power of two of at least 2 leaves the frame untouched.

#include <cstdint>

struct Complex {
    double re;
    double im;
};

// 1 / 32768: a 16-bit sample value to a full-scale-1.0 value.
constexpr double kSampleToUnit = 3.0517578125e-05;

// In place. The first call for a given N builds that size's twiddle and
// permutation tables once (shared by every thread); later calls allocate
// nothing.
void fft_forward(int n, Complex* frame);
// In place, scaled by 1/N, so fft_inverse(fft_forward(x)) == x.
void fft_inverse(int n, Complex* frame);

// Reorders the frame so that element i moves to reverse_bits(i, log2 N).
void bit_reverse_permute(int n, Complex* frame);
// i with its low `bitCount` bits in reverse order (higher bits dropped).
uint32_t reverse_bits(uint32_t i, int bitCount);

// frame[k] = (samples[k] / 32768, 0) for k < N; samples must hold N values.
void samples_to_complex(int n, const int16_t* samples, Complex* frame);

// Multiplies re of element i (0 <= i < N) by
//   I0(beta * sqrt((2M - i) * i) / M) / I0(beta),   M = N / 2,
// leaving im untouched: 1 at i = M, 1 / I0(beta) at i = 0. Every analysis in
// the program uses beta = 10. N < 2 leaves the frame as it is.
void kaiser_window(int n, Complex* frame, int16_t beta);

// Modified Bessel function of the first kind, order 0, by its power series
// sum_m ((x/2)^m / m!)^2, stopped after the first term <= 1e-9 of the sum.
double bessel_i0(double x);
