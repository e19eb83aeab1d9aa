#include "dsp/resample_sinc.h"

#include "dsp/fft.h"
#include "dsp/filter_design.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr double kPi = 3.14159265358979323846;
// See the header: 82 dB by Kaiser's rule is at least 81.5 dB in fact.
constexpr double kDesignDb = 82.0;
// The transition band, as a fraction of the lower Nyquist frequency below it.
constexpr double kTransitionFraction = 0.1;

// Outputs summed side by side in the transposed run, as four quads.
constexpr int kLanes = 16;
// Columns (outputs of one phase) per tile of the transposed run: the tile's
// inputs, M rows of this many values, stay in the second-level cache while
// every phase reads them.
constexpr int64_t kTileColumns = 128;
// Below this many outputs per phase the transposed layout does not pay.
constexpr int64_t kMinColumns = 2 * kLanes;

// Four lanes of a generic compiler vector: mapped onto the target's SIMD
// registers (or narrower ones, or plain scalars) lane by lane, never
// reassociated, so each lane is exactly the scalar sum.
typedef double Quad __attribute__((vector_size(4 * sizeof(double))));

int64_t floorDiv(int64_t a, int64_t b)
{
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// y * 32768 (the sum is formed over unscaled samples, which is exact: the
// scaling is by a power of two) rounded half away from zero and clamped.
inline int16_t toSample(double v)
{
    if (v > 0.0) {
        const double r = std::trunc(v + 0.5);
        return r > 32766.0 ? int16_t(32767) : static_cast<int16_t>(r);
    }
    const double r = std::trunc(v - 0.5);
    return r < -32767.0 ? int16_t(-32768) : static_cast<int16_t>(r);
}

// in[y] with silence before the sound and the last sample held after it.
template <class Sample>
inline double extended(const Sample* in, int32_t inFrames, int64_t y)
{
    if (y < 0)
        return 0.0;
    return in[y < inFrames ? y : inFrames - 1];
}

// The outputs c = c0 .. count - 1 of one phase row in the transposed run:
// out[c * step] = sum_j h[j] * source[j][c], from j = 0 up. Built twice, for
// 256-bit vectors where the processor has them and for the baseline; neither
// fuses a product into a sum (AVX without FMA), so both give the same bits.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
__attribute__((target_clones("avx", "default")))
#endif
void sumPhaseRow(const double* h, const double* const* source, int taps, int64_t c0, int64_t count, int64_t step,
                 double* out)
{
    for (; c0 < count; c0 += kLanes) {
        // Four named accumulators: an array would live in memory.
        Quad a0 = {}, a1 = {}, a2 = {}, a3 = {};
        for (int j = 0; j < taps; ++j) {
            const Quad hj = {h[j], h[j], h[j], h[j]};
            const double* x = source[j] + c0;
            // Unaligned loads; a function returning a Quad would change
            // its calling convention with the vector width.
            Quad x0, x1, x2, x3;
            std::memcpy(&x0, x, sizeof x0);
            std::memcpy(&x1, x + 4, sizeof x1);
            std::memcpy(&x2, x + 8, sizeof x2);
            std::memcpy(&x3, x + 12, sizeof x3);
            a0 += hj * x0;
            a1 += hj * x1;
            a2 += hj * x2;
            a3 += hj * x3;
        }
        double acc[kLanes];
        std::memcpy(acc, &a0, sizeof a0);
        std::memcpy(acc + 4, &a1, sizeof a1);
        std::memcpy(acc + 8, &a2, sizeof a2);
        std::memcpy(acc + 12, &a3, sizeof a3);
        const int64_t lanes = std::min<int64_t>(kLanes, count - c0);
        for (int64_t w = 0; w < lanes; ++w)
            out[(c0 + w) * step] = acc[w];
    }
}

} // namespace

SincResampler::SincResampler(int32_t /*sourceRate*/, int32_t upFactor, int32_t downFactor, int32_t outFrames)
    : up_(std::max(upFactor, 1))
    , down_(std::max(downFactor, 1))
    , outFrames_(std::max(outFrames, 0))
{
    const int64_t L = up_;
    const int64_t M = down_;
    rows_ = static_cast<int32_t>(std::min<int64_t>(L, outFrames_));
    newest_.resize(static_cast<size_t>(rows_));

    if (L == M) {
        taps_ = 1;
        delay_ = 0;
        coefficients_.assign(static_cast<size_t>(rows_), 1.0);
        for (int32_t r = 0; r < rows_; ++r)
            newest_[static_cast<size_t>(r)] = r;
        return;
    }

    const int64_t maxLM = std::max(L, M);
    const double beta = kaiser_beta(kDesignDb);
    const int32_t n =
        fir_length(static_cast<int32_t>(maxLM), 0.5 * kTransitionFraction, kaiser_width_factor(kDesignDb));
    const int64_t K = std::max<int64_t>(1, (n - 1 + 2 * L - 1) / (2 * L));
    taps_ = static_cast<int>(2 * K);
    delay_ = static_cast<int32_t>(K);
    const int64_t C = K * L;
    const double cutoff = (1.0 - 0.5 * kTransitionFraction) * kPi / static_cast<double>(maxLM);

    coefficients_.resize(static_cast<size_t>(rows_) * static_cast<size_t>(taps_));
    const double i0Beta = bessel_i0(beta);
    const double centre = static_cast<double>(C);
    for (int32_t r = 0; r < rows_; ++r) {
        const int64_t phase = (r * M) % L;
        newest_[static_cast<size_t>(r)] = (r * M) / L + K;
        double* h = &coefficients_[static_cast<size_t>(r) * static_cast<size_t>(taps_)];
        for (int j = 0; j < taps_; ++j) {
            const int64_t v = phase + j * L;
            if (v == 0) {
                h[j] = 0.0;
                continue;
            }
            if (v == C) {
                h[j] = static_cast<double>(L) * cutoff / kPi;
                continue;
            }
            const double t = static_cast<double>(v - C);
            const double w =
                bessel_i0(beta * std::sqrt(static_cast<double>(v) * static_cast<double>(2 * C - v)) / centre) / i0Beta;
            h[j] = w * static_cast<double>(L) * std::sin(t * cutoff) / (t * kPi);
        }
    }
}

void SincResampler::run(int32_t inFrames, const int16_t* in, int16_t* out) const
{
    if (outFrames_ == 0 || inFrames <= 0)
        return;
    std::vector<double> sums(static_cast<size_t>(outFrames_));
    runSums(inFrames, in, sums.data());
    for (size_t m = 0; m < sums.size(); ++m)
        out[m] = toSample(sums[m]);
}

void SincResampler::run(int32_t inFrames, const double* in, double* out) const
{
    if (outFrames_ == 0 || inFrames <= 0)
        return;
    runSums(inFrames, in, out);
}

template <class Sample>
void SincResampler::runSums(int32_t inFrames, const Sample* in, double* out) const
{
    const int64_t columns = (static_cast<int64_t>(outFrames_) + rows_ - 1) / rows_;
    if (rows_ == up_ && columns >= kMinColumns)
        runTransposed(inFrames, in, out);
    else
        runDirect(inFrames, in, out);
}

// One output at a time over a contiguous copy of the input that carries the
// silence before it and the held sample after it.
template <class Sample>
void SincResampler::runDirect(int32_t inFrames, const Sample* in, double* out) const
{
    const int64_t lead = taps_ - 1;
    const int64_t last = static_cast<int64_t>(outFrames_) - 1;
    const int64_t newestLast = newest_[static_cast<size_t>(last % rows_)] + (last / rows_) * down_;
    std::vector<double> line(static_cast<size_t>(newestLast + 1 + lead));
    for (size_t i = 0; i < line.size(); ++i)
        line[i] = extended(in, inFrames, static_cast<int64_t>(i) - lead);

    for (int64_t m = 0; m <= last; ++m) {
        const int64_t r = m % rows_;
        const double* h = &coefficients_[static_cast<size_t>(r) * static_cast<size_t>(taps_)];
        const double* x = &line[static_cast<size_t>(newest_[static_cast<size_t>(r)] + (m / rows_) * down_ + lead)];
        double y = 0.0;
        for (int j = 0; j < taps_; ++j)
            y += h[j] * x[-j];
        out[m] = y;
    }
}

// The outputs of one phase row r are m = cL + r, c = 0, 1, ..., and their
// newest inputs lie M apart: newest_[r] + cM. With the input dealt into M
// rows by residue, table[res][s] = in[(s - lead) M + res], the input of tap j
// for consecutive c is consecutive within one row, so kLanes outputs are
// summed side by side, each still from tap 0 up.
template <class Sample>
void SincResampler::runTransposed(int32_t inFrames, const Sample* in, double* out) const
{
    const int64_t L = up_;
    const int64_t M = down_;
    const int64_t columns = (static_cast<int64_t>(outFrames_) + L - 1) / L;

    // Row and column of every (phase, tap) input, relative to column c = 0.
    std::vector<int64_t> res(static_cast<size_t>(rows_) * taps_);
    std::vector<int64_t> col(res.size());
    int64_t lowest = 0;
    int64_t highest = 0;
    for (int32_t r = 0; r < rows_; ++r)
        for (int j = 0; j < taps_; ++j) {
            const int64_t a = newest_[static_cast<size_t>(r)] - j;
            const int64_t q = floorDiv(a, M);
            const size_t k = static_cast<size_t>(r) * taps_ + j;
            res[k] = a - q * M;
            col[k] = q;
            lowest = std::min(lowest, q);
            highest = std::max(highest, q);
        }
    const int64_t lead = -lowest;
    // Whole lane groups are summed past the last column; they read padding.
    const int64_t width = highest + lead + columns + kLanes;

    std::vector<double> table(static_cast<size_t>(M * width));
    for (int64_t rr = 0; rr < M; ++rr) {
        double* row = &table[static_cast<size_t>(rr * width)];
        for (int64_t s = 0; s < width; ++s)
            row[s] = extended(in, inFrames, (s - lead) * M + rr);
    }

    std::vector<const double*> source(static_cast<size_t>(taps_));
    for (int64_t tile = 0; tile < columns; tile += kTileColumns) {
        const int64_t tileEnd = std::min(columns, tile + kTileColumns);
        for (int32_t r = 0; r < rows_; ++r) {
            const double* h = &coefficients_[static_cast<size_t>(r) * static_cast<size_t>(taps_)];
            for (int j = 0; j < taps_; ++j) {
                const size_t k = static_cast<size_t>(r) * taps_ + j;
                source[static_cast<size_t>(j)] = &table[static_cast<size_t>(res[k] * width + col[k] + lead)];
            }
            // Outputs of this row: c with cL + r < outFrames.
            const int64_t count = std::min(tileEnd, (static_cast<int64_t>(outFrames_) - r + L - 1) / L);
            sumPhaseRow(h, source.data(), taps_, tile, count, L, out + r);
        }
    }
}

void resample_sinc(int32_t sourceRate, int32_t upFactor, int32_t downFactor, int32_t inFrames, int32_t outFrames,
                   const int16_t* in, int16_t* out)
{
    SincResampler(sourceRate, upFactor, downFactor, outFrames).run(inFrames, in, out);
}
