#include "loop/sustain_selection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr double kBlockSeconds = 0.010;
constexpr double kWindowSeconds = 0.300;
constexpr double kMaxTrendDbPerSecond = 10.0;
constexpr double kMaxSpreadDb = 3.0;
constexpr double kBelowPeakDb = 20.0;
constexpr double kAudibleBelowPeakDb = 40.0;
constexpr double kMinPeriodicity = 0.7;
constexpr double kMinSustainSeconds = 0.100;
constexpr double kLagRange = 0.06;
constexpr int kMinWindowBlocks = 5;

std::string seconds(int32_t frames, int32_t rate)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", double(frames) / rate);
    return text;
}

std::string fixed(double v, int digits)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", digits, v);
    return text;
}

} // namespace

double periodicCorrelation(const SampleBuffer& sound, int32_t from, int32_t length, int32_t lag)
{
    if (from < 0 || length <= 0 || lag <= 0 || int64_t(from) + lag + length > sound.sampleCount)
        return 0.0;
    const int16_t* x = sound.samples[0].data();
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (int32_t i = from; i < from + length; ++i) {
        const double a = x[i], b = x[i + lag];
        ab += a * b;
        aa += a * a;
        bb += b * b;
    }
    return (aa > 0.0 && bb > 0.0) ? ab / std::sqrt(aa * bb) : 0.0;
}

double localPeriod(const SampleBuffer& sound, int32_t from, int32_t length, double period, double* correlation)
{
    if (correlation)
        *correlation = 0.0;
    if (!(period >= 2.0))
        return 0.0;
    const int32_t low = std::max<int32_t>(1, int32_t(std::floor(period * (1.0 - kLagRange))));
    const int32_t high = std::max(low + 2, int32_t(std::ceil(period * (1.0 + kLagRange))));
    std::vector<double> r(size_t(high - low + 1));
    int32_t best = -1;
    for (int32_t lag = low; lag <= high; ++lag) {
        r[size_t(lag - low)] = periodicCorrelation(sound, from, length, lag);
        if (best < 0 || r[size_t(lag - low)] > r[size_t(best - low)])
            best = lag;
    }
    const double peak = r[size_t(best - low)];
    if (correlation)
        *correlation = peak;
    if (peak <= 0.0)
        return 0.0;
    if (best == low || best == high)
        return best;
    // Vertex of the parabola through the peak and its two neighbours.
    const double a = r[size_t(best - low - 1)], c = r[size_t(best - low + 1)];
    const double curvature = a - 2.0 * peak + c;
    return curvature < 0.0 ? best + 0.5 * (a - c) / curvature : double(best);
}

SustainSelection findSustain(const SampleBuffer& sound)
{
    SustainSelection out;
    const int32_t n = sound.sampleCount;
    out.end = n;
    if (!sound.isLoaded() || sound.sampleRate <= 0) {
        out.warning = "No sound: the whole sound is selected.";
        out.reason = out.warning;
        return out;
    }
    const int32_t rate = sound.sampleRate;
    const bool pitched = sound.pitchHz > 0.0 && std::isfinite(sound.pitchHz) && rate / sound.pitchHz >= 2.0;
    const double period = pitched ? rate / sound.pitchHz : 0.0;
    const int32_t block =
        pitched ? std::max<int32_t>(1, int32_t(std::lround(std::max(1.0, std::round(kBlockSeconds * rate / period)) * period)))
                : std::max<int32_t>(1, int32_t(std::lround(kBlockSeconds * rate)));
    const int32_t blocks = n / block;

    // Level and periodicity of each block.
    std::vector<double> level(size_t(std::max(blocks, 0)));
    std::vector<double> periodicity(level.size(), 1.0);
    double peak = -200.0;
    for (int32_t j = 0; j < blocks; ++j) {
        double sum = 0.0;
        for (int c = 0; c < sound.channels; ++c) {
            const int16_t* x = sound.samples[c].data() + int64_t(j) * block;
            for (int32_t i = 0; i < block; ++i)
                sum += double(x[i]) * x[i];
        }
        const double meanSquare = sum / (double(block) * sound.channels) / (32768.0 * 32768.0);
        level[size_t(j)] = meanSquare > 1e-20 ? 10.0 * std::log10(meanSquare) : -200.0;
        peak = std::max(peak, level[size_t(j)]);
        if (pitched)
            localPeriod(sound, j * block, block, period, &periodicity[size_t(j)]);
    }
    if (blocks < 1 || peak <= -200.0) {
        out.warning = "The sound is too short or silent to find a steady part: the whole sound is selected.";
        out.reason = out.warning;
        return out;
    }

    // Trend and spread over the window centred on each block.
    const int32_t half = std::max<int32_t>(2, int32_t(std::lround(kWindowSeconds * rate / block / 2.0)));
    const double blockSeconds = double(block) / rate;
    std::vector<double> trend(level.size(), 1e9), spread(level.size(), 1e9);
    // At the sound's two ends the window is cut to the blocks there are, so
    // that a sound trimmed while still steady (as samples often are, right
    // after their loop) keeps its last 150 ms; a window cut below five blocks
    // measures nothing.
    for (int32_t j = 0; j < blocks; ++j) {
        const int32_t lo = -std::min(half, j), hi = std::min(half, blocks - 1 - j);
        const int m = hi - lo + 1;
        if (m < kMinWindowBlocks)
            continue;
        double st = 0.0, sl = 0.0, stt = 0.0, stl = 0.0;
        for (int32_t k = lo; k <= hi; ++k) {
            const double t = k * blockSeconds, l = level[size_t(j + k)];
            st += t;
            sl += l;
            stt += t * t;
            stl += t * l;
        }
        const double slope = (stl - st * sl / m) / (stt - st * st / m);
        const double mean = sl / m;
        double residual = 0.0;
        for (int32_t k = lo; k <= hi; ++k) {
            const double d = level[size_t(j + k)] - (mean + slope * k * blockSeconds);
            residual += d * d;
        }
        trend[size_t(j)] = slope;
        spread[size_t(j)] = std::sqrt(residual / m);
    }

    auto steady = [&](int32_t j) {
        return std::fabs(trend[size_t(j)]) <= kMaxTrendDbPerSecond && spread[size_t(j)] <= kMaxSpreadDb &&
               level[size_t(j)] >= peak - kBelowPeakDb && periodicity[size_t(j)] >= kMinPeriodicity;
    };
    int32_t bestFirst = -1, bestCount = 0;
    for (int32_t j = 0; j < blocks;) {
        if (!steady(j)) {
            ++j;
            continue;
        }
        int32_t k = j;
        while (k < blocks && steady(k))
            ++k;
        if (k - j > bestCount) {
            bestFirst = j;
            bestCount = k - j;
        }
        j = k;
    }

    const int32_t room = pitched ? int32_t(std::ceil(4.0 * period)) + 1 : 0;
    const int32_t minFrames = std::max<int32_t>(int32_t(kMinSustainSeconds * rate), int32_t(8.0 * period));
    if (bestCount > 0 && int64_t(bestCount) * block >= minFrames) {
        out.steady = true;
        out.start = std::max(bestFirst * block, room);
        out.end = std::min(n, (bestFirst + bestCount) * block);
        out.periodicity = 1.0;
        for (int32_t j = bestFirst; j < bestFirst + bestCount; ++j) {
            out.trendDbPerSecond = std::max(out.trendDbPerSecond, std::fabs(trend[size_t(j)]));
            out.spreadDb = std::max(out.spreadDb, spread[size_t(j)]);
            out.periodicity = std::min(out.periodicity, periodicity[size_t(j)]);
        }
        if (out.end - out.start >= minFrames / 2) {
            out.reason = "steady part from " + seconds(out.start, rate) + " to " + seconds(out.end, rate) +
                         ": the level moves at most " + fixed(out.trendDbPerSecond, 1) + " dB/s with " +
                         fixed(out.spreadDb, 1) + " dB spread" +
                         (pitched ? ", each period matches the next with correlation " +
                                        fixed(std::floor(out.periodicity * 100.0) / 100.0, 2) + " or more"
                                  : std::string(" (no pitch: level only)"));
            return out;
        }
        out.steady = false;
    }

    // No steady part: the second half of the audible sound.
    int32_t lastAudible = blocks - 1;
    while (lastAudible > 0 && level[size_t(lastAudible)] < peak - kAudibleBelowPeakDb)
        --lastAudible;
    int32_t loudest = 0;
    while (loudest < blocks && level[size_t(loudest)] < peak)
        ++loudest;
    const int32_t audibleEnd = lastAudible == blocks - 1 ? n : (lastAudible + 1) * block;
    const int32_t audibleStart = loudest * block;
    out.steady = false;
    out.trendDbPerSecond = out.spreadDb = out.periodicity = 0.0;
    out.end = audibleEnd;
    out.start = std::min(std::max(audibleStart + (audibleEnd - audibleStart) / 2, room), out.end);
    out.warning = "No steady part found (the level never settles): the loop is searched in the last part of the "
                  "sound, from " + seconds(out.start, rate) + " to " + seconds(out.end, rate) + ".";
    out.reason = "no steady part: second half of the audible sound after its peak";
    return out;
}
