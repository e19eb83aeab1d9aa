#pragma once
// The finite-impulse-response engine: one step of a direct-form filter, and
// whole-channel runs that compensate the filter's delay.
//
// A filter of order n has n + 1 coefficients h[0 .. n] (caller-owned) and a
// delay line d[0 .. n]. Samples enter divided by 32768 and leave multiplied
// by 32768; all arithmetic is in double precision.
//
// A run over `count` frames writes, for k = 0 .. count - 1,
//   out[k] = sum_{i=0..n} h[i] * in[k + D - i],   D = n / 2 (integer division),
// with in[] read as 0 before frame 0 and from frame `count` on. A symmetric
// filter of odd length thus adds no delay: an impulse at frame j yields
// h[0 .. n] centred on j. This is what feeding in[0 .. D-1] to prime the line,
// in[D .. count-1] for out[0 .. count-D-1] and D zeros to flush gives, also
// when count <= D (only frames 0 .. count-1 are ever read or written).
//
// Long filters run by FFT convolution (overlap-save) when that is cheaper;
// the result equals the direct form's except, rarely, by one unit where the
// exact value sits on a rounding boundary. Runs advance the open progress
// display (dsp/progress.h) before each of their 101 blocks.

#include <cstdint>

// An FIR filter: order n and the n + 1 coefficients h[0 .. n] it points to.
struct FirFilter {
    int32_t order = 0;
    const double* h = nullptr;
};

// d[0] = x; y = sum_{i=0..n} h[i] * d[i] (summed from i = 0 up); then
// d[k] = d[k-1] for k = n down to 1. Returns y. d holds n + 1 values.
double fir_step(int32_t order, const double* h, double* d, double x);
inline double fir_step(const FirFilter& filter, double* d, double x)
{
    return fir_step(filter.order, filter.h, d, x);
}

// y (full scale 1.0) to a 16-bit sample: y * 32768 rounded half away from
// zero (trunc(v + 0.5) for v > 0, trunc(v - 0.5) otherwise), clamped to
// -32768 .. 32767. NaN gives 0.
int16_t sample_from_unit(double y);
// y to a 32-bit value: y * 32768 rounded half away from zero, not clamped to
// 16 bits (only saturated at the 32-bit limits, which no filter of audio
// reaches). NaN gives 0.
int32_t int_from_unit(double y);

// The delay-compensated run described above over one channel of `count`
// 16-bit samples, each output converted by sample_from_unit. `out` may be
// `in`. count <= 0 or order < 0 does nothing.
void fir_filter_samples(int32_t order, const double* h, int32_t count, const int16_t* in, int16_t* out);
// The same over 32-bit values, converted by int_from_unit.
void fir_filter_ints(int32_t order, const double* h, int32_t count, const int32_t* in, int32_t* out);

inline void fir_filter_samples(const FirFilter& filter, int32_t count, const int16_t* in, int16_t* out)
{
    fir_filter_samples(filter.order, filter.h, count, in, out);
}
inline void fir_filter_ints(const FirFilter& filter, int32_t count, const int32_t* in, int32_t* out)
{
    fir_filter_ints(filter.order, filter.h, count, in, out);
}

// How a run is carried out. Automatic picks the cheaper of the two; the
// others exist for tests and benchmarks that compare them.
enum class FirMethod { Automatic, Direct, Fft };

// The runs above with the method forced.
void fir_filter_samples(int32_t order, const double* h, int32_t count, const int16_t* in, int16_t* out,
                        FirMethod method);
void fir_filter_ints(int32_t order, const double* h, int32_t count, const int32_t* in, int32_t* out,
                     FirMethod method);

// True when Automatic runs a filter of this order over `count` frames by FFT.
bool fir_prefers_fft(int32_t order, int32_t count);
