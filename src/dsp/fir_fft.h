#pragma once
// The FFT path of the FIR engine (dsp/fir_filter.h): the same delay-compensated
// run, out[k] = sum_i h[i] in[k + D - i], computed by overlap-save convolution
// with the program's own transform. Internal to the engine and its benchmark.
//
// Each transform of N points carries two blocks at once, one in the real and
// one in the imaginary part (h is real, so the two convolutions stay apart),
// and yields N - n outputs of each. The values differ from the direct form's
// only by the transform's rounding, some 1e-11 of a sample unit, so a
// converted output differs only where the exact value sits on a rounding
// boundary, and then by one unit.

#include <cstdint>

// The transform size used for a filter of this order over `count` frames.
int fir_fft_size(int32_t order, int32_t count);

// Estimated cost in multiply-adds of the direct form and of the FFT path.
double fir_direct_cost(int32_t order, int32_t count);
double fir_fft_cost(int32_t order, int32_t count);

// count > 0, order >= 0; out may be in.
void fir_convolve_fft(int32_t order, const double* h, int32_t count, const int16_t* in, int16_t* out);
void fir_convolve_fft(int32_t order, const double* h, int32_t count, const int32_t* in, int32_t* out);
