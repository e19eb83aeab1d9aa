#include "dsp/fir_filter.h"

#include "dsp/fft.h"
#include "dsp/fir_fft.h"
#include "dsp/progress.h"

#include <cmath>
#include <limits>
#include <vector>

double fir_step(int32_t order, const double* h, double* d, double x)
{
    d[0] = x;
    double y = 0.0;
    for (int32_t i = 0; i <= order; ++i)
        y += h[i] * d[i];
    for (int32_t k = order; k >= 1; --k)
        d[k] = d[k - 1];
    return y;
}

namespace {

// v already scaled to sample units; half away from zero.
double round_half_away(double v)
{
    return v > 0.0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
}

} // namespace

int16_t sample_from_unit(double y)
{
    const double v = round_half_away(y * 32768.0);
    if (!(v == v))
        return 0;
    if (v > 32767.0)
        return 32767;
    if (v < -32768.0)
        return -32768;
    return static_cast<int16_t>(v);
}

int32_t int_from_unit(double y)
{
    const double v = round_half_away(y * 32768.0);
    if (!(v == v))
        return 0;
    if (v > static_cast<double>(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (v < static_cast<double>(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

namespace {

// Output values stay in sample units: since 32768 is a power of two, scaling
// the input by 1/32768 and the output by 32768 changes no bit of the sums,
// so the engines skip both and convert with the unit already applied.
int16_t store(double v, int16_t*)
{
    return sample_from_unit(v * kSampleToUnit);
}
int32_t store(double v, int32_t*)
{
    return int_from_unit(v * kSampleToUnit);
}

// The direct form. The input is copied first into a zero-padded line
// xp[p] = in[p - n] (0 outside the channel), which is what makes the run safe
// in place and reads nothing past the channel. Each output is summed from
// i = 0 up, the order fir_step uses, so the values are fir_step's to the bit;
// eight outputs are summed side by side so that the compiler can keep them
// in vector registers.
template <typename Sample>
void fir_direct(int32_t order, const double* h, int32_t count, const Sample* in, Sample* out)
{
    const int64_t n = order;
    const int64_t delay = n / 2;
    std::vector<double> xp(static_cast<size_t>(n + count + delay + 8), 0.0);
    for (int32_t k = 0; k < count; ++k)
        xp[static_cast<size_t>(n + k)] = static_cast<double>(in[k]);

    constexpr int kLanes = 8;
    for (int block = 0; block <= kProgressBlocks; ++block) {
        progress_advance();
        const ProgressBlock span = progress_block(count, block);
        int32_t k = span.begin;
        for (; k + kLanes <= span.end; k += kLanes) {
            // base[m - i] is in[k + m + D - i].
            const double* base = xp.data() + n + k + delay;
            double acc[kLanes] = {};
            for (int64_t i = 0; i <= n; ++i) {
                const double c = h[i];
                const double* x = base - i;
                for (int m = 0; m < kLanes; ++m)
                    acc[m] += c * x[m];
            }
            for (int m = 0; m < kLanes; ++m)
                out[k + m] = store(acc[m], out);
        }
        for (; k < span.end; ++k) {
            const double* x = xp.data() + n + k + delay;
            double acc = 0.0;
            for (int64_t i = 0; i <= n; ++i)
                acc += h[i] * x[-i];
            out[k] = store(acc, out);
        }
    }
}

template <typename Sample>
void fir_run(int32_t order, const double* h, int32_t count, const Sample* in, Sample* out, FirMethod method)
{
    if (count <= 0 || order < 0 || h == nullptr)
        return;
    if (method == FirMethod::Automatic)
        method = fir_prefers_fft(order, count) ? FirMethod::Fft : FirMethod::Direct;
    // No transform size fits a filter of millions of taps.
    if (method == FirMethod::Fft && fir_fft_size(order, count) > 0)
        fir_convolve_fft(order, h, count, in, out);
    else
        fir_direct(order, h, count, in, out);
}

} // namespace

void fir_filter_samples(int32_t order, const double* h, int32_t count, const int16_t* in, int16_t* out,
                        FirMethod method)
{
    fir_run(order, h, count, in, out, method);
}

void fir_filter_ints(int32_t order, const double* h, int32_t count, const int32_t* in, int32_t* out,
                     FirMethod method)
{
    fir_run(order, h, count, in, out, method);
}

void fir_filter_samples(int32_t order, const double* h, int32_t count, const int16_t* in, int16_t* out)
{
    fir_run(order, h, count, in, out, FirMethod::Automatic);
}

void fir_filter_ints(int32_t order, const double* h, int32_t count, const int32_t* in, int32_t* out)
{
    fir_run(order, h, count, in, out, FirMethod::Automatic);
}

bool fir_prefers_fft(int32_t order, int32_t count)
{
    // Below 16 taps the two are within noise of each other; the direct form
    // then gives the exact values.
    if (order < 15)
        return false;
    return fir_fft_cost(order, count) < fir_direct_cost(order, count);
}
