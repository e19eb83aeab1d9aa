// The polyphase resampler against its definition written the long way, and
// against what theory says a conversion must keep and remove.

#include "dsp/resample_sinc.h"
#include "dsp/fft.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// The conversion written the long way: the input stretched by L with zeros,
// convolved with the whole prototype (points 1 .. 2KL - 1, centred on KL),
// and every M-th value kept from the centre on, so that output m is the
// filtered stretched signal at m M + KL. Zeros before the input, the last
// sample held after it.
std::vector<int16_t> referenceResample(int L, int M, const std::vector<int16_t>& in, int outFrames)
{
    const double A = 82.0;
    const double beta = 0.1102 * (A - 8.7);
    const double D = (A - 7.95) / 14.36;
    const int big = std::max(L, M);
    const double v = 20.0 * D * big + 1.0;
    int n = int(v);
    n = n % 2 == 0 ? n + 1 : (double(n) == v ? n : n + 2);
    const int64_t K = (n - 1 + 2 * L - 1) / (2 * L);
    const int64_t C = K * L;
    const double wc = 0.95 * M_PI / big;
    std::vector<double> h(2 * C, 0.0);
    for (int64_t p = 1; p < 2 * C; ++p) {
        const double t = double(p - C);
        const double w = bessel_i0(beta * std::sqrt(double(p) * double(2 * C - p)) / C) / bessel_i0(beta);
        h[p] = p == C ? L * wc / M_PI : w * L * std::sin(t * wc) / (t * M_PI);
    }
    const int64_t N = int64_t(in.size());
    std::vector<int16_t> out(outFrames);
    for (int64_t m = 0; m < outFrames; ++m) {
        const int64_t at = m * M + C; // position in the stretched signal
        double y = 0.0;
        // Stretched sample q = i L holds in[i]; from the newest one down.
        for (int64_t i = at / L; i * L > at - 2 * C; --i) {
            const double x = i < 0 ? 0.0 : in[std::min(i, N - 1)];
            y += h[at - i * L] * x;
        }
        const double r = y > 0 ? std::trunc(y + 0.5) : std::trunc(y - 0.5);
        out[m] = int16_t(std::clamp(r, -32768.0, 32767.0));
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

// Least-squares amplitude of a sinusoid of `hz` over frames [from, from +
// rate): one whole second, so that every other whole-Hz tone is orthogonal to
// it and leaks nothing into the fit.
double amplitudeAt(const std::vector<int16_t>& s, double hz, double rate, int from)
{
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (int i = from; i < from + int(rate); ++i) {
        const double a = std::sin(2 * M_PI * hz * i / rate), b = std::cos(2 * M_PI * hz * i / rate);
        ss += a * a, cc += b * b, sc += a * b, ys += s[i] * a, yc += s[i] * b;
    }
    const double det = ss * cc - sc * sc;
    return std::hypot((ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det);
}

struct Conversion {
    int rate, up, down;
    int outRate() const { return rate * up / down; }
};

} // namespace

TEST(ResampleSinc, EqualsTheStretchFilterAndKeepDefinition)
{
    struct Case {
        Conversion c;
        int inFrames, outFrames;
    };
    // Both ways between 44100 and 48000, integer ratios both ways, and ratios
    // whose outputs per phase are too few for the side-by-side sums.
    const Case cases[] = {
        {{44100, 160, 147}, 9000, 9796}, {{48000, 147, 160}, 9000, 8269}, {{22050, 2, 1}, 4000, 8000},
        {{44100, 1, 2}, 4001, 2001},     {{32000, 3, 7}, 700, 300},       {{8000, 11, 3}, 500, 1833},
        {{44100, 160, 147}, 2000, 2177},
    };
    for (const Case& k : cases) {
        const std::vector<int16_t> in = testSignal(k.inFrames);
        const std::vector<int16_t> expected = referenceResample(k.c.up, k.c.down, in, k.outFrames);
        const std::vector<int16_t> got = resample(k.c.rate, k.c.up, k.c.down, in, k.outFrames);
        int differing = 0;
        for (int m = 0; m < k.outFrames; ++m)
            differing += std::abs(got[m] - expected[m]) > 1;
        EXPECT_EQ(differing, 0) << k.c.rate << " * " << k.c.up << " / " << k.c.down;
    }
}

// Output m stands for input time m M / L: a sine comes out as the same sine
// sampled at the new rate, with no delay, and at the same rate the sound
// comes out as it went in, to the last sample.
TEST(ResampleSinc, OutputIsTheInputSampledAtTheNewRateWithoutDelay)
{
    for (const Conversion c : {Conversion{44100, 160, 147}, Conversion{48000, 147, 160}, Conversion{44100, 1, 2},
                               Conversion{22050, 2, 1}, Conversion{32000, 3, 7}}) {
        const int outFrames = c.outRate();
        const std::vector<int16_t> out = resample(c.rate, c.up, c.down, sine(1000, c.rate, 16000, c.rate), outFrames);
        // Rounding in and out (1 unit) and the pass band's ripple (1e-4 of 16000).
        double worst = 0;
        for (int m = outFrames / 10; m < outFrames * 9 / 10; ++m)
            worst = std::max(worst, std::abs(out[m] - 16000 * std::sin(2 * M_PI * 1000.0 * m * c.down / (double(c.up) * c.rate))));
        EXPECT_LT(worst, 3.0) << c.rate << " * " << c.up << " / " << c.down;
    }
    const std::vector<int16_t> in = testSignal(3000);
    EXPECT_EQ(resample(44100, 1, 1, in, 3000), in);
}

// Everything at and above the lower Nyquist frequency is rejected by at least
// 80 dB (going down it would fold back as an alias, going up it is the image
// of a tone at the old rate minus the tone); up to 0.9 of it the level stays
// within 0.1 dB. Levels are fits at the frequency that comes out.
TEST(ResampleSinc, StopsAtTheLowerNyquistAndStaysFlatBelowIt)
{
    struct Case {
        Conversion c;
        double toneHz, measuredHz; // measuredHz: the alias or image, or the tone
        bool stop;
    };
    const Case cases[] = {
        {{44100, 1, 2}, 11030, 11020, true},     // 5 Hz above 11025: alias 22050 - 11030
        {{48000, 147, 160}, 22100, 22000, true}, // alias 44100 - 22100
        {{22050, 2, 1}, 10500, 11550, true},     // image 22050 - 10500 (pitch shift -12)
        {{44100, 160, 147}, 21000, 23100, true}, // image 44100 - 21000
        {{44100, 160, 147}, 22000, 22100, true},
        {{44100, 1, 2}, 9922, 9922, false}, // 0.9 x 11025 = 9922.5
        {{22050, 2, 1}, 9922, 9922, false},
        {{44100, 160, 147}, 19845, 19845, false}, // 0.9 x 22050
        {{48000, 147, 160}, 19845, 19845, false},
    };
    for (const Case& k : cases) {
        const double amplitude = 30000;
        const int outRate = k.c.outRate();
        const std::vector<int16_t> in = sine(k.toneHz, k.c.rate, amplitude, 3 * k.c.rate);
        const std::vector<int16_t> out = resample(k.c.rate, k.c.up, k.c.down, in, 3 * outRate);
        const double db = 20 * std::log10(amplitudeAt(out, k.measuredHz, outRate, outRate) / amplitude);
        if (k.stop)
            EXPECT_LT(db, -80.0) << k.c.rate << " -> " << outRate << ", " << k.toneHz << " Hz";
        else
            EXPECT_NEAR(db, 0.0, 0.1) << k.c.rate << " -> " << outRate << ", " << k.toneHz << " Hz";
    }
}

// A 3 kHz sawtooth (band-limited: harmonics 1 .. 7, the 7th at 21 kHz) taken
// 44100 -> 22050: harmonics 4 .. 7 would fold back to 10050, 7050, 4050 and
// 1050 Hz. None may come through above -80 dB of the fundamental, and the
// harmonics below 0.9 x 11025 Hz keep their levels.
TEST(ResampleSinc, ASawtoothTakenDownLeavesNoAlias)
{
    const int frames = 3 * 44100;
    std::vector<int16_t> saw(frames);
    for (int i = 0; i < frames; ++i) {
        double v = 0;
        for (int k = 1; k <= 7; ++k)
            v += std::sin(2 * M_PI * 3000.0 * k * i / 44100) / k;
        saw[i] = int16_t(std::lround(14000 * v));
    }
    const std::vector<int16_t> out = resample(44100, 1, 2, saw, frames / 2);
    const double fundamental = amplitudeAt(out, 3000, 22050, 22050);
    EXPECT_NEAR(20 * std::log10(fundamental / 14000), 0.0, 0.1);
    for (const double hz : {6000.0, 9000.0})
        EXPECT_NEAR(20 * std::log10(amplitudeAt(out, hz, 22050, 22050) * (hz / 3000) / 14000), 0.0, 0.1) << hz;
    for (const double hz : {10050.0, 7050.0, 4050.0, 1050.0})
        EXPECT_LT(20 * std::log10(amplitudeAt(out, hz, 22050, 22050) / fundamental), -80.0) << hz;
}

// A constant sound stays constant to its last frame: the held last sample
// feeds the outputs that reach past the input.
TEST(ResampleSinc, AConstantSoundStaysConstantToItsLastFrame)
{
    struct Case {
        int up, down, inFrames, outFrames;
    };
    for (const Case c : {Case{2, 1, 5000, 10000}, Case{160, 147, 44146, 48050}, Case{1, 2, 3000, 1500}}) {
        const std::vector<int16_t> in(c.inFrames, -20000);
        const std::vector<int16_t> out = resample(44100, c.up, c.down, in, c.outFrames);
        // Past the onset's ringing; the pass band's ripple is a few units here.
        for (int m = c.outFrames / 2; m < c.outFrames; ++m)
            ASSERT_NEAR(out[m], -20000, 8) << c.up << "/" << c.down << " frame " << m;
    }
}
