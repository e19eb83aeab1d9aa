#include "views/cutboost_spectrum.h"

#include "document/format.h"
#include "dsp/spectrum.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int16_t kBeta = 10;
constexpr double kNoBarMagnitude = 0.032;

int frameSize(double samples)
{
    return samples >= 2.0 ? static_cast<int>(samples) : 0;
}

} // namespace

int cutBoostAttackSize(int fftSizeExp)
{
    return frameSize(std::ldexp(256.0, fftSizeExp));
}

int cutBoostSustainSize(int fftSizeExp)
{
    return frameSize(std::ldexp(1024.0, fftSizeExp));
}

void computeCutBoostBars(const int16_t* samples, int32_t count, int32_t start, int n, int widthPx,
                         int heightPx, bool stereo, std::vector<int>& bars, std::vector<Complex>& frame)
{
    bars.assign(static_cast<size_t>(std::max(widthPx, 0)), 0);
    if (n < 2 || widthPx <= 0 || samples == nullptr)
        return;
    frame.resize(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        const int64_t i = static_cast<int64_t>(start) + k;
        frame[k] = {i >= 0 && i < count ? samples[i] * kSampleToUnit : 0.0, 0.0};
    }
    kaiser_window(n, frame.data(), kBeta);
    fft_forward(n, frame.data());

    const int half = n / 2;
    const double floor = spectrum_noise_floor(n);
    const double b = static_cast<double>(half) / widthPx;
    const double scale = heightPx * 0.01 * (stereo ? 0.5 : 1.0);
    int previous = 0;
    for (int i = 0; i < widthPx; ++i) {
        const int from = static_cast<int>(i * b + 0.5);
        const int to = std::min(static_cast<int>((i + 1) * b + 0.5), half);
        if (from >= to) {
            bars[i] = previous;
            continue;
        }
        double q = 0.0;
        for (int k = from; k < to; ++k) {
            const double m = std::sqrt(frame[k].re * frame[k].re + frame[k].im * frame[k].im);
            if (m > floor)
                q = std::max(q, m);
        }
        int bar = 0;
        if (q > kNoBarMagnitude)
            bar = static_cast<int>((spectrum_level_db(q, n) + 100.0) * scale + 0.5);
        bars[i] = previous = bar;
    }
}

int FilterShape::left() const { return *std::min_element(x, x + 4); }
int FilterShape::right() const { return *std::max_element(x, x + 4); }
int FilterShape::top() const { return *std::min_element(y, y + 4); }
int FilterShape::bottom() const { return *std::max_element(y, y + 4); }

FilterShape cutBoostFilterShape(int widthPx, int heightPx, int n, int freqPosition, int widthPosition, int gainDb)
{
    FilterShape s;
    if (widthPx <= 0 || n < 2)
        return s;
    const double b = (n / 2) / static_cast<double>(widthPx);
    const int c = static_cast<int>(freqPosition / b + 0.5);
    const int w = static_cast<int>(widthPosition / b + 0.5);
    const int m = heightPx / 2;
    const int a = m - static_cast<int>(gainDb * heightPx * 0.01);
    const int xs[4] = {c - w - 1, c - 1, c + 1, c + w + 1};
    const int ys[4] = {m, a, a, m};
    std::copy(xs, xs + 4, s.x);
    std::copy(ys, ys + 4, s.y);
    return s;
}

CutBoostReadout cutBoostReadout(int x, int y, int widthPx, int heightPx, int n, int32_t sampleRate, bool stereo)
{
    CutBoostReadout r;
    if (widthPx <= 0 || heightPx <= 0 || n < 2)
        return r;
    const double b = (n / 2) / static_cast<double>(widthPx);
    r.hz = formatSignificant(x * b * sampleRate / n, 6) + " Hz";
    double k = -100.0 / heightPx;
    int yy = y;
    if (stereo) {
        k = -100.0 / std::max(1, heightPx / 2);
        if (y >= heightPx / 2)
            yy = y - heightPx / 2;
    }
    r.db = formatInteger(static_cast<int32_t>(k * yy + 0.5)) + " dB";
    return r;
}
