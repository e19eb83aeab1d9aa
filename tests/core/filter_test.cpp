// The filter engines and designs against theory: impulse responses, the
// Kaiser design rules, steady-sine responses of the high-pass and of the
// peaking filter, and the FFT path against a naive direct form.
#include "dsp/filter_design.h"
#include "dsp/fir_filter.h"
#include "dsp/iir_filter.h"
#include "dsp/progress.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The run as the delay line defines it: prime with in[0 .. D-1], one output
// per further input, then D zeros; input past the channel reads as 0 and
// only outputs 0 .. count-1 are kept.
std::vector<int32_t> naiveFir(const std::vector<double>& h, const std::vector<int32_t>& in)
{
    const int n = static_cast<int>(h.size()) - 1;
    const int d = n / 2;
    const int count = static_cast<int>(in.size());
    std::vector<double> line(h.size(), 0.0);
    std::vector<int32_t> out(in.size(), 0);
    for (int j = 0; j < count + d; ++j) {
        const double x = j < count ? in[static_cast<size_t>(j)] / 32768.0 : 0.0;
        const double y = fir_step(n, h.data(), line.data(), x);
        const double v = y * 32768.0;
        if (j >= d)
            out[static_cast<size_t>(j - d)] = static_cast<int32_t>(v > 0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5));
    }
    return out;
}

// Amplitude of the component at `hz` over frames [begin, begin + length),
// which must hold a whole number of its periods.
double amplitudeAt(const std::vector<int32_t>& y, double hz, double rate, int begin, int length)
{
    double s = 0.0;
    double c = 0.0;
    for (int i = begin; i < begin + length; ++i) {
        const double phase = 2.0 * kPi * hz * i / rate;
        s += y[static_cast<size_t>(i)] * std::sin(phase);
        c += y[static_cast<size_t>(i)] * std::cos(phase);
    }
    return 2.0 * std::hypot(s, c) / length;
}

std::vector<int32_t> sine(double hz, double amplitude, double rate, int count)
{
    std::vector<int32_t> x(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        x[static_cast<size_t>(i)] = static_cast<int32_t>(std::lround(amplitude * std::sin(2.0 * kPi * hz * i / rate)));
    return x;
}

std::vector<int32_t> noise(int count, int amplitude, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int32_t> dist(-amplitude, amplitude);
    std::vector<int32_t> x(static_cast<size_t>(count));
    for (auto& v : x)
        v = dist(rng);
    return x;
}

std::vector<int16_t> to16(const std::vector<int32_t>& x)
{
    return std::vector<int16_t>(x.begin(), x.end());
}

} // namespace

TEST(FirFilter, SymmetricOddFilterOnAnImpulseGivesItsTapsCentredAndUndelayed)
{
    const std::vector<double> h = {0.0625, -0.125, 0.25, 0.5, 0.25, -0.125, 0.0625};
    for (FirMethod method : {FirMethod::Direct, FirMethod::Fft}) {
        std::vector<int16_t> x(40, 0);
        x[20] = 16384;
        fir_filter_samples(6, h.data(), 40, x.data(), x.data(), method); // in place
        for (int i = 0; i < 40; ++i) {
            const int tap = i - 20 + 3;
            const int expected = tap >= 0 && tap <= 6 ? static_cast<int>(std::lround(16384 * h[static_cast<size_t>(tap)])) : 0;
            EXPECT_EQ(x[static_cast<size_t>(i)], expected) << "frame " << i;
        }
    }
    // Order 0 with h[0] = 1 copies; full-scale products clamp instead of wrapping.
    const double one = 1.0;
    const double two = 2.0;
    std::vector<int16_t> y = {-32768, -1, 0, 1, 32767};
    fir_filter_samples(0, &one, 5, y.data(), y.data());
    EXPECT_EQ(y, (std::vector<int16_t>{-32768, -1, 0, 1, 32767}));
    fir_filter_samples(0, &two, 5, y.data(), y.data());
    EXPECT_EQ(y, (std::vector<int16_t>{-32768, -2, 0, 2, 32767}));
}

TEST(FirFilter, DirectAndFftRunsMatchTheDelayLineIncludingChannelsShorterThanTheDelay)
{
    struct Case {
        int taps;
        int count;
    };
    // 2000 frames under a 2215-tap filter: the delay (1107) exceeds half the
    // channel; 600 frames: the whole channel is shorter than the delay.
    for (const Case& c : {Case{31, 5000}, Case{2215, 2000}, Case{2215, 600}, Case{1024, 20000}}) {
        std::mt19937 rng(static_cast<unsigned>(c.taps));
        std::uniform_real_distribution<double> tap(-0.05, 0.05);
        std::vector<double> h(static_cast<size_t>(c.taps));
        for (auto& v : h)
            v = tap(rng);
        const std::vector<int32_t> x = noise(c.count, 30000, 7);
        const std::vector<int32_t> expected = naiveFir(h, x);

        std::vector<int32_t> direct = x;
        fir_filter_ints(c.taps - 1, h.data(), c.count, direct.data(), direct.data(), FirMethod::Direct);
        EXPECT_EQ(direct, expected) << c.taps << " taps";

        std::vector<int32_t> fast = x;
        fir_filter_ints(c.taps - 1, h.data(), c.count, fast.data(), fast.data(), FirMethod::Fft);
        std::vector<int16_t> fast16(x.size());
        const std::vector<int16_t> x16 = to16(x);
        fir_filter_samples(c.taps - 1, h.data(), c.count, x16.data(), fast16.data(), FirMethod::Fft);
        int off = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            ASSERT_LE(std::abs(fast[i] - expected[i]), 1) << c.taps << " taps, frame " << i;
            const int clamped = std::clamp(expected[i], -32768, 32767);
            ASSERT_LE(std::abs(fast16[i] - clamped), 1) << c.taps << " taps, frame " << i;
            off += fast[i] != expected[i];
        }
        EXPECT_LE(off, c.count / 1000 + 1) << "differences must be rare";
    }
}

TEST(FilterDesign, KaiserRules)
{
    EXPECT_EQ(fir_length(44100, 100, 5.0174), 2215); // v = 2213.67..: odd trunc, not whole
    EXPECT_EQ(fir_length(1000, 10, 0.1), 11);        // v = 11 exactly: odd whole
    EXPECT_EQ(fir_length(1000, 10, 0.105), 13);      // v = 11.5
    EXPECT_EQ(fir_length(1000, 10, 0.115), 13);      // v = 12.5: even trunc
    EXPECT_EQ(fir_length(44100, 0, 5.0), 1);         // no transition: no filter
    EXPECT_NEAR(kaiser_beta(50), 4.55126, 1e-5);
    EXPECT_NEAR(kaiser_beta(80), 7.85726, 1e-5);
    EXPECT_NEAR(kaiser_beta(30), 0.5842 * std::pow(9.0, 0.4) + 0.07886 * 9.0, 1e-12);
    EXPECT_EQ(kaiser_beta(21), 0.0);
    EXPECT_NEAR(kaiser_width_factor(80), 5.01741, 1e-5);
    EXPECT_EQ(kaiser_width_factor(21), 0.922);
}

TEST(FilterDesign, HighPassOnSteadySines)
{
    // The edges Clean low frequencies uses for a 200 Hz pitch, two passes.
    const double rate = 44100;
    const int count = 3 * 44100;
    const int begin = 44100;
    const int length = 22050; // half a second: whole periods of every tone below
    const double amplitude = 1 << 22;
    struct Tone {
        double hz;
        double minDb;
        double maxDb;
    };
    for (const Tone& t : {Tone{100, -400, -80}, Tone{50, -400, -80}, Tone{180, -0.1, 0.1}, Tone{200, -0.1, 0.1},
                          Tone{440, -0.1, 0.1}, Tone{5000, -0.1, 0.1}, Tone{20000, -0.1, 0.1}}) {
        const std::vector<int32_t> x = sine(t.hz, amplitude, rate, count);
        std::vector<int32_t> y(x.size());
        highpass_filter(44100, 100, 180, 0.1, 80, count, x.data(), y.data(), 2);
        const double db = 20 * std::log10(std::max(amplitudeAt(y, t.hz, rate, begin, length), 1e-12) / amplitude);
        EXPECT_GE(db, t.minDb) << t.hz << " Hz";
        EXPECT_LE(db, t.maxDb) << t.hz << " Hz";
    }
}

TEST(FilterDesign, PeakingFilterGainAtCentreDcAndNyquist)
{
    const int rate = 44100;
    const int count = 44100;
    const double amplitude = 8000;
    for (double gainDb : {12.0, 5.0, 2.0, -2.0, -5.0, -18.0}) {
        struct Probe {
            double hz;
            double expectedDb;
        };
        for (const Probe& p : {Probe{1000, gainDb}, Probe{0, 0.0}, Probe{rate / 2.0, 0.0}}) {
            std::vector<int16_t> x(static_cast<size_t>(count));
            for (int i = 0; i < count; ++i)
                x[static_cast<size_t>(i)] = static_cast<int16_t>(
                    std::lround(amplitude * std::cos(2.0 * kPi * p.hz * i / rate)));
            std::vector<int16_t> y(x.size());
            peaking_filter(rate, 1000, gainDb, 100, count, x.data(), y.data());
            // Steady state: the last 0.5 s, 441 periods of 1 kHz; DC and
            // Nyquist measured as mean level and alternating level.
            double level = 0;
            if (p.hz == 1000) {
                std::vector<int32_t> y32(y.begin(), y.end());
                level = amplitudeAt(y32, p.hz, rate, count / 2, count / 2);
            } else {
                for (int i = count / 2; i < count; ++i)
                    level += y[static_cast<size_t>(i)] * std::cos(kPi * i * (p.hz > 0 ? 1 : 0));
                level /= count / 2;
            }
            EXPECT_NEAR(20 * std::log10(std::abs(level) / amplitude), p.expectedDb, 0.01)
                << gainDb << " dB filter at " << p.hz << " Hz";
        }
    }
    // 0 dB leaves even a different output buffer as it was.
    std::vector<int16_t> in(100, 1000);
    std::vector<int16_t> out(100, 7);
    peaking_filter(rate, 1000, 0.0, 100, 100, in.data(), out.data());
    EXPECT_EQ(out, std::vector<int16_t>(100, 7));
}

TEST(FilterProgress, RunsAdvanceTheOpenDisplayOnceABlock)
{
    std::vector<int> positions;
    int range = 0;
    const double h[3] = {0.25, 0.5, 0.25};
    std::vector<int16_t> x(1499, 100);
    {
        ProgressDisplay display(200, [&](int position, int r) {
            positions.push_back(position);
            range = r;
        });
        fir_filter_samples(2, h, 1499, x.data(), x.data());
        iir_filter_samples(0, h, 2, h, 1499, x.data(), x.data());
        EXPECT_EQ(display.position(), 2 * (kProgressBlocks + 1));
    }
    EXPECT_EQ(range, 200);
    ASSERT_EQ(positions.size(), 2u * (kProgressBlocks + 1) + 2); // open, blocks, close
    EXPECT_EQ(positions[1], 0);
    EXPECT_EQ(positions[202], 201);
    EXPECT_EQ(positions.back(), 0);
    EXPECT_EQ(progress_bar(), nullptr);
    // 1499 frames: blocks of 14, the remainder (99 frames) in the last one.
    EXPECT_EQ(progress_block(1499, 99).end, 1400);
    EXPECT_EQ(progress_block(1499, 100).end, 1499);
}
