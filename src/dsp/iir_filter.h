#pragma once
// The infinite-impulse-response engine: one step of a direct-form-II section
// and a causal whole-channel run.
//
// Feedback a[0 .. na] and feed-forward b[0 .. nb] are caller-owned; a[0] is
// never used and stands for 1, so the section is
//   H(z) = (b0 + b1 z^-1 + ... + b_nb z^-nb) / (1 + a1 z^-1 + ... + a_na z^-na).
// The state line w holds max(na, nb) + 1 values. Samples enter divided by
// 32768 and leave multiplied by 32768 in double precision.

#include <cstdint>

// w[0] = x - sum_{i=1..na} a[i] * w[i]; y = sum_{i=0..nb} b[i] * w[i]; then
// w[k] = w[k-1] for k = max(na, nb) down to 1. Returns y.
double iir_step(int32_t na, const double* a, int32_t nb, const double* b, double* w, double x);

// out[i] = the step's output for in[i] / 32768, converted to 16 bits (half
// away from zero, clamped), from a zeroed state; no delay compensation.
// `out` may be `in`. Advances the open progress display before each of its
// 101 blocks. count <= 0 does nothing.
void iir_filter_samples(int32_t na, const double* a, int32_t nb, const double* b, int32_t count,
                        const int16_t* in, int16_t* out);
