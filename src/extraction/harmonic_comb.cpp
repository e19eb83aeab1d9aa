#include "extraction/harmonic_comb.h"

#include "dsp/fft.h"
#include "dsp/fir_filter.h"
#include "dsp/spectrum.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586476925286766559;

// Writes `value` into the band o * k - m .. o * k + m, bins below n/2 only,
// each with its mirror.
void setBand(std::vector<double>& mask, int n, int64_t centre, int m, double value)
{
    for (int64_t j = centre - m; j <= centre + m; ++j) {
        if (j < 1 || j >= n / 2)
            continue;
        mask[static_cast<size_t>(j)] = value;
        mask[static_cast<size_t>(n - j)] = value;
    }
}

int16_t clamp16(int32_t v)
{
    return static_cast<int16_t>(std::clamp(v, -32768, 32767));
}

} // namespace

int harmonic_comb_frame(int32_t sampleRate, double pitchHz, int k)
{
    if (!(pitchHz > 0.0) || sampleRate <= 0 || k <= 0)
        return 0;
    const double length = std::trunc(static_cast<double>(sampleRate) * k / pitchHz + 0.5);
    if (!(length <= kMaxCombFrame))
        return 0;
    const int n = nearest_power_of_two(static_cast<int>(length));
    return n >= 4 && n <= kMaxCombFrame ? n : 0;
}

int harmonic_comb_band(int maskRows, int k)
{
    return static_cast<int>(std::trunc((maskRows - 1) / 9.0 * k / 4.0 + 0.5));
}

std::vector<double> harmonic_comb_mask(int n, int k, int m, const HarmonicList& list, const CombFilterDesign& design)
{
    const int half = n / 2;
    if (design.operation == CombOperation::Inharmonic) {
        std::vector<double> mask(static_cast<size_t>(n), 1.0);
        mask[0] = 0.0;
        for (int64_t o = 1; o * k + m < half; ++o)
            setBand(mask, n, o * k, m, 0.0);
        for (int16_t o : list)
            setBand(mask, n, static_cast<int64_t>(o) * k, m, 1.0);
        return mask;
    }

    std::vector<double> mask(static_cast<size_t>(n), 0.0);
    double listed = 1.0;
    if (design.mode == CombMode::PassAllExceptListed) {
        for (int64_t o = 1; o * k < half; ++o)
            setBand(mask, n, o * k, m, 1.0);
        listed = 0.0;
    }
    for (int16_t o : list) {
        if (static_cast<int64_t>(o) * k >= half)
            break;
        setBand(mask, n, static_cast<int64_t>(o) * k, m, listed);
    }
    return mask;
}

std::vector<double> harmonic_comb_coefficients(int n, int k, int m, const HarmonicList& list,
                                               const CombFilterDesign& design)
{
    const std::vector<double> mask = harmonic_comb_mask(n, k, m, list, design);
    std::vector<Complex> frame(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double phase = kTwoPi * i / n;
        frame[static_cast<size_t>(i)] = {mask[static_cast<size_t>(i)] * std::cos(phase),
                                         mask[static_cast<size_t>(i)] * std::sin(phase)};
    }
    fft_inverse(n, frame.data());
    std::vector<double> h(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        h[static_cast<size_t>(i)] = frame[static_cast<size_t>(i)].re;
    return h;
}

bool harmonic_comb_filter(int32_t sampleRate, double pitchHz, int k, int32_t count, const int16_t* in, int16_t* out,
                          const HarmonicList& list, const CombFilterDesign& design, FirMethod method)
{
    const int n = harmonic_comb_frame(sampleRate, pitchHz, k);
    if (count <= 0)
        return n > 0;
    if (n == 0) {
        if (out != in)
            std::copy(in, in + count, out);
        return false;
    }
    const std::vector<double> h = harmonic_comb_coefficients(n, k, harmonic_comb_band(design.maskRows, k), list, design);
    const int order = n - 1;

    // The inverse FFT of the mask with phases 2 pi i / n puts the response's
    // centre at index n - 1, so after the engine's own compensation of
    // (n - 1) / 2 it is still n/2 samples late. The channel is run with n/2
    // zeros after it and read from n/2 on, so every operation is aligned
    // with the sound: Extract + Inharmonic give the sound back (but for its
    // DC bin), and Reduce is the sound minus what Extract gives.
    const size_t lead = static_cast<size_t>(n / 2);
    std::vector<int16_t> work(static_cast<size_t>(count) + lead, 0);
    std::copy(in, in + count, work.begin());
    fir_filter_samples(order, h.data(), static_cast<int32_t>(work.size()), work.data(), work.data(), method);
    const int16_t* aligned = work.data() + lead;
    if (design.operation == CombOperation::Reduce) {
        for (int32_t j = 0; j < count; ++j)
            out[j] = clamp16(static_cast<int32_t>(in[j]) - aligned[j]);
    } else {
        std::copy(aligned, aligned + count, out);
    }
    return true;
}

int32_t optimized_sample_rate(int32_t sampleRate, double pitchHz)
{
    if (!(pitchHz > 0.0) || sampleRate <= 0)
        return sampleRate;
    const double period = sampleRate / pitchHz;
    const int k = best_power_of_two_multiple(period, 8, 24);
    const double span = k * period;
    if (!(span + 0.5 < 2147483647.0) || span <= 0.0)
        return sampleRate;
    const int p = nearest_power_of_two(static_cast<int>(span + 0.5));
    const double rate = std::trunc(p * static_cast<double>(sampleRate) / span + 0.5);
    return rate >= 1.0 && rate <= 2147483647.0 ? static_cast<int32_t>(rate) : sampleRate;
}
