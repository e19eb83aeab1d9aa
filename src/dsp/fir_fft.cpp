#include "dsp/fir_fft.h"

#include "dsp/fft.h"
#include "dsp/fir_filter.h"
#include "dsp/progress.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr int kMaxLog2 = 22;

// Costs in units of one direct-form multiply-add, fitted to the filter
// benchmark (x86-64, SSE2): a transform point per pass costs about three of
// them, and every output of the direct form about 17 more for copying,
// rounding and storing. The two methods cross near 15 taps.
constexpr double kTransformWeight = 3.0;
constexpr double kDirectPerFrame = 17.0;

double pairCost(int n)
{
    const double log2n = std::log2(static_cast<double>(n));
    return kTransformWeight * n * (2.0 * log2n + 3.0);
}

int64_t pairsFor(int32_t order, int32_t count, int n)
{
    const int64_t valid = n - static_cast<int64_t>(order);
    const int64_t blocks = (count + valid - 1) / valid;
    return (blocks + 1) / 2;
}

} // namespace

int fir_fft_size(int32_t order, int32_t count)
{
    // Two blocks per transform: no point in a transform larger than what
    // covers half the channel in one block.
    int best = 0;
    double bestCost = 0.0;
    const int64_t enough = static_cast<int64_t>(order) + (count + 1) / 2;
    for (int bits = 2; bits <= kMaxLog2; ++bits) {
        const int n = 1 << bits;
        if (n <= order)
            continue;
        const double cost = static_cast<double>(pairsFor(order, count, n)) * pairCost(n);
        if (best == 0 || cost < bestCost) {
            best = n;
            bestCost = cost;
        }
        if (n >= enough)
            break;
    }
    return best;
}

double fir_direct_cost(int32_t order, int32_t count)
{
    return (static_cast<double>(order) + 1.0 + kDirectPerFrame) * count;
}

double fir_fft_cost(int32_t order, int32_t count)
{
    const int n = fir_fft_size(order, count);
    if (n == 0)
        return HUGE_VAL;
    return static_cast<double>(pairsFor(order, count, n)) * pairCost(n);
}

namespace {

int16_t store(double v, int16_t*)
{
    return sample_from_unit(v * kSampleToUnit);
}
int32_t store(double v, int32_t*)
{
    return int_from_unit(v * kSampleToUnit);
}

// In sample units throughout: the 1/32768 and 32768 of the engine cancel
// exactly, as in the direct form.
template <typename Sample>
void convolve(int32_t order, const double* h, int32_t count, const Sample* in, Sample* out)
{
    const int64_t n = order;
    const int64_t delay = n / 2;
    const int size = fir_fft_size(order, count);
    const int64_t valid = size - n;

    // The input is copied so that the run may overwrite it: later blocks
    // still read frames that earlier blocks have written.
    const std::vector<double> x(in, in + count);
    auto at = [&](int64_t m) { return m >= 0 && m < count ? x[static_cast<size_t>(m)] : 0.0; };

    std::vector<Complex> response(static_cast<size_t>(size), Complex{0.0, 0.0});
    for (int64_t i = 0; i <= n; ++i)
        response[static_cast<size_t>(i)].re = h[i];
    fft_forward(size, response.data());

    std::vector<Complex> frame(static_cast<size_t>(size));
    int step = 0;
    for (int64_t first = 0; first < count; first += 2 * valid) {
        const int64_t end = std::min<int64_t>(count, first + 2 * valid);
        while (step <= kProgressBlocks && progress_block(count, step).begin < end) {
            progress_advance();
            ++step;
        }
        // Block a yields outputs first .., block b the next `valid` ones.
        // Output k is the linear convolution at k + D, whose window starts at
        // input k + D - n: frame point t of a block starting at output k0
        // holds input k0 + D - n + t.
        const int64_t second = first + valid;
        for (int64_t t = 0; t < size; ++t) {
            frame[static_cast<size_t>(t)].re = at(first + delay - n + t);
            frame[static_cast<size_t>(t)].im = second < count ? at(second + delay - n + t) : 0.0;
        }
        fft_forward(size, frame.data());
        for (int t = 0; t < size; ++t) {
            const Complex a = frame[static_cast<size_t>(t)];
            const Complex b = response[static_cast<size_t>(t)];
            frame[static_cast<size_t>(t)] = {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
        }
        fft_inverse(size, frame.data());
        // Points n .. size-1 are free of the circular wrap.
        for (int64_t t = n; t < size; ++t) {
            const int64_t ka = first + (t - n);
            if (ka < count)
                out[ka] = store(frame[static_cast<size_t>(t)].re, out);
            const int64_t kb = second + (t - n);
            if (kb < count)
                out[kb] = store(frame[static_cast<size_t>(t)].im, out);
        }
    }
    for (; step <= kProgressBlocks; ++step)
        progress_advance();
}

} // namespace

void fir_convolve_fft(int32_t order, const double* h, int32_t count, const int16_t* in, int16_t* out)
{
    convolve(order, h, count, in, out);
}

void fir_convolve_fft(int32_t order, const double* h, int32_t count, const int32_t* in, int32_t* out)
{
    convolve(order, h, count, in, out);
}
