// The polyphase resampler against a literal transcription of its definition,
// and its quality against what a low-pass of 80 dB promises.

#include "dsp/resample_sinc.h"
#include "dsp/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// The conversion as first written: a delay line shifted one value per input,
// input indices from -100, the output counter restarted at every input
// x <= 0, the first Dd outputs written to index 0 and overwritten, the last
// sample held until every output is written.
std::vector<int16_t> referenceResample(int R, int L, int M, const std::vector<int16_t>& in, int outFrames)
{
    const double beta = 7.85726;
    const double v = double(R) * L * 5.0174094707520895 / (R / 4) + 1.0;
    int n = int(v);
    n = n % 2 == 0 ? n + 1 : (double(n) == v ? n : n + 2);
    const int K = int(std::ceil((n - 1) / (2.0 * L)));
    const int taps = 2 * K;
    const int C = K * L;
    const double big = std::max(L, M);
    std::vector<std::vector<double>> h(L, std::vector<double>(taps));
    for (int i = 0; i < L; ++i)
        for (int j = 0; j < taps; ++j) {
            const int v2 = i + j * L;
            if (v2 == C) {
                h[i][j] = L / big;
            } else {
                const double w = bessel_i0(beta * std::sqrt(double(v2) * double(2 * C - v2)) / C) / bessel_i0(beta);
                h[i][j] = w * L * std::sin((v2 - C) * M_PI / big) / ((v2 - C) * M_PI);
            }
        }
    std::vector<int> phase(L);
    for (int l = 0; l < L; ++l)
        phase[l] = int((int64_t(l) * M) % L);
    const int D = int(std::trunc(10.0 * L / M + 0.5)) + 3;

    const int N = int(in.size());
    std::vector<int16_t> out(outFrames, 12345);
    std::vector<double> line(taps, 0.0);
    int o = 0;
    for (int64_t start = -100; o < D + outFrames; start += M)
        for (int k = 0; k < M && o < D + outFrames; ++k) {
            const int64_t x = start + k;
            const double value = x < 0 ? 0.0 : (x < N ? in[x] : in[N - 1]) / 32768.0;
            line.insert(line.begin(), value);
            line.pop_back();
            if (x < 1)
                o = 0;
            for (int64_t l = (int64_t(k) * L + M - 1) / M; l < (int64_t(k + 1) * L + M - 1) / M && l < L; ++l) {
                if (o >= D + outFrames)
                    break;
                double y = 0.0;
                for (int j = 0; j < taps; ++j)
                    y += h[phase[l]][j] * line[j];
                double s;
                if (y > 0) {
                    s = std::trunc(y * 32768 + 0.5);
                    s = s > 32766 ? 32767 : s;
                } else {
                    s = std::trunc(y * 32768 - 0.5);
                    s = s < -32767 ? -32768 : s;
                }
                out[std::max(0, o - D)] = int16_t(s);
                ++o;
            }
        }
    return out;
}

// Loud pseudo-random material with full-scale runs, so that the clamps and
// every phase are reached.
std::vector<int16_t> testSignal(int frames)
{
    std::vector<int16_t> s(frames);
    uint32_t state = 12345;
    for (int i = 0; i < frames; ++i) {
        state = state * 1664525u + 1013904223u;
        const int noise = int(state >> 16) - 32768;
        s[i] = (i / 200) % 5 == 3 ? (i % 2 ? 32767 : -32768) : int16_t(noise / 2 + 12000 * std::sin(i * 0.05));
    }
    return s;
}

std::vector<int16_t> resample(int R, int L, int M, const std::vector<int16_t>& in, int outFrames)
{
    std::vector<int16_t> out(outFrames, 12345);
    resample_sinc(R, L, M, int(in.size()), outFrames, in.data(), out.data());
    return out;
}

std::vector<int16_t> sine(double hz, double rate, double amplitude, int frames)
{
    std::vector<int16_t> s(frames);
    for (int i = 0; i < frames; ++i)
        s[i] = int16_t(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate)));
    return s;
}

// Least-squares fit of a sinusoid of `hz` to frames [from, to): amplitude and
// the RMS of what the fit leaves over.
struct ToneFit {
    double amplitude;
    double residualRms;
};
ToneFit fitTone(const std::vector<int16_t>& s, double hz, double rate, int from, int to)
{
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (int i = from; i < to; ++i) {
        const double a = std::sin(2 * M_PI * hz * i / rate), b = std::cos(2 * M_PI * hz * i / rate);
        ss += a * a, cc += b * b, sc += a * b, ys += s[i] * a, yc += s[i] * b;
    }
    const double det = ss * cc - sc * sc;
    const double p = (ys * cc - yc * sc) / det, q = (yc * ss - ys * sc) / det;
    double e = 0;
    for (int i = from; i < to; ++i) {
        const double r = s[i] - p * std::sin(2 * M_PI * hz * i / rate) - q * std::cos(2 * M_PI * hz * i / rate);
        e += r * r;
    }
    return {std::hypot(p, q), std::sqrt(e / (to - from))};
}

double rms(const std::vector<int16_t>& s, int from, int to)
{
    double e = 0;
    for (int i = from; i < to; ++i)
        e += double(s[i]) * s[i];
    return std::sqrt(e / (to - from));
}

} // namespace

TEST(ResampleSinc, EqualsTheDelayLineDefinitionToTheLastBit)
{
    struct Case {
        int rate, up, down, inFrames, outFrames;
    };
    // 44100 -> 48000 and back, integer ratios both ways, the same rate, and
    // ratios whose outputs per phase are too few for the side-by-side sums
    // (48001 -> 48000 also takes R L past 32 bits).
    const Case cases[] = {
        {44100, 160, 147, 9000, 9796}, {48000, 147, 160, 9000, 8269}, {22050, 2, 1, 4000, 8000},
        {44100, 1, 2, 4001, 2001},     {44100, 1, 1, 3000, 3000},     {48001, 48000, 48001, 3000, 3000},
        {32000, 3, 7, 700, 300},       {8000, 11, 3, 500, 1833},      {44100, 160, 147, 2000, 2177},
    };
    for (const Case& c : cases) {
        const std::vector<int16_t> in = testSignal(c.inFrames);
        const std::vector<int16_t> expected = referenceResample(c.rate, c.up, c.down, in, c.outFrames);
        const std::vector<int16_t> got = resample(c.rate, c.up, c.down, in, c.outFrames);
        int differing = 0;
        for (int m = 0; m < c.outFrames; ++m)
            differing += got[m] != expected[m];
        EXPECT_EQ(differing, 0) << c.rate << " * " << c.up << " / " << c.down;
    }
}

// Frames at 44100 converted to 88200, 48000 and 22050 leave 21, 13 and 7 of
// the last outputs unwritten if the input stops at its end: a constant sound
// must stay constant to its last frame.
TEST(ResampleSinc, AConstantSoundStaysConstantToItsLastFrame)
{
    struct Case {
        int up, down, inFrames, outFrames;
    };
    for (const Case c : {Case{2, 1, 5000, 10000}, Case{160, 147, 44146, 48050}, Case{1, 2, 3000, 1500}}) {
        const std::vector<int16_t> in(c.inFrames, -20000);
        const std::vector<int16_t> out = resample(44100, c.up, c.down, in, c.outFrames);
        // The pass band's ripple is well under 0.01 dB: a few units at this level.
        for (int m = 50; m < c.outFrames; ++m)
            ASSERT_NEAR(out[m], -20000, 8) << c.up << "/" << c.down << " frame " << m;
    }
}

TEST(ResampleSinc, RoundTripKeepsALowToneCleanAndAnUnwantedOneOut)
{
    // 1 kHz, 44100 -> 48000 -> 44100: level within 0.1 dB, error below -70 dB.
    const std::vector<int16_t> tone = sine(1000, 44100, 16000, 44100);
    const std::vector<int16_t> up = resample(44100, 160, 147, tone, 48000);
    const std::vector<int16_t> back = resample(48000, 147, 160, up, 44100);
    const ToneFit fit = fitTone(back, 1000, 44100, 1000, 43100);
    EXPECT_NEAR(20 * std::log10(fit.amplitude / 16000), 0.0, 0.1);
    EXPECT_LT(20 * std::log10(fit.residualRms / (fit.amplitude / std::sqrt(2.0))), -70.0);

    // Down to 32000 Hz the cut-off is 16 kHz and the transition a quarter of
    // the source rate wide, so the 80 dB stop band starts at
    // 16000 + 11025 / 2 = 21512.5 Hz: what lies beyond may not come through
    // (Kaiser's design rule leaves a few dB of margin, hence 75).
    for (const double hz : {21600.0, 22000.0}) {
        const std::vector<int16_t> high = sine(hz, 44100, 16000, 44100);
        const std::vector<int16_t> down = resample(44100, 320, 441, high, 32000);
        EXPECT_LT(20 * std::log10(rms(down, 1000, 31000) / rms(high, 1000, 43100)), -75.0) << hz;
    }
}
