#include "dsp/fft.h"
#include "dsp/spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

// Textbook O(N^2) transform in long double: the reference for the fast one.
std::vector<Complex> naiveDft(const std::vector<Complex>& x, int sign)
{
    const size_t n = x.size();
    std::vector<Complex> out(n);
    std::vector<long double> cosT(n), sinT(n);
    for (size_t i = 0; i < n; ++i) {
        const long double a = sign * 2.0L * 3.14159265358979323846264338327950288L * i / n;
        cosT[i] = cosl(a);
        sinT[i] = sinl(a);
    }
    for (size_t k = 0; k < n; ++k) {
        long double re = 0, im = 0;
        for (size_t j = 0; j < n; ++j) {
            const size_t i = (k * j) % n;
            re += x[j].re * cosT[i] - x[j].im * sinT[i];
            im += x[j].re * sinT[i] + x[j].im * cosT[i];
        }
        out[k] = {static_cast<double>(re), static_cast<double>(im)};
    }
    return out;
}

double energy(const std::vector<Complex>& x)
{
    double e = 0;
    for (const Complex& c : x)
        e += c.re * c.re + c.im * c.im;
    return e;
}

std::vector<Complex> randomFrame(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<Complex> x(n);
    for (Complex& c : x)
        c = {u(rng), u(rng)};
    return x;
}

// The series of I0 summed to convergence, independent of the code's stop rule.
double besselI0Reference(double x)
{
    long double sum = 0, term = 1;
    for (int m = 1; m < 200; ++m) {
        sum += term;
        term *= (x / (2.0L * m)) * (x / (2.0L * m));
    }
    return static_cast<double>(sum);
}

} // namespace

TEST(Fft, TinyFrames)
{
    Complex one[1] = {{3.5, -2.0}};
    fft_forward(1, one);
    EXPECT_EQ(one[0].re, 3.5);
    EXPECT_EQ(one[0].im, -2.0);

    // N = 2: X0 = a + b, X1 = a - b.
    Complex two[2] = {{1.0, 2.0}, {3.0, -5.0}};
    fft_forward(2, two);
    EXPECT_DOUBLE_EQ(two[0].re, 4.0);
    EXPECT_DOUBLE_EQ(two[0].im, -3.0);
    EXPECT_DOUBLE_EQ(two[1].re, -2.0);
    EXPECT_DOUBLE_EQ(two[1].im, 7.0);

    // Not a power of two: untouched.
    Complex three[3] = {{1, 0}, {2, 0}, {3, 0}};
    fft_forward(3, three);
    EXPECT_EQ(three[1].re, 2.0);
}

TEST(Fft, ConstantFrameGoesToBinZeroAndBack)
{
    for (int n : {4, 8, 1024, 2048}) {
        std::vector<Complex> x(n, Complex{1.0, 0.0});
        fft_forward(n, x.data());
        EXPECT_NEAR(x[0].re, n, 1e-9);
        EXPECT_NEAR(x[0].im, 0.0, 1e-9);
        for (int k = 1; k < n; ++k)
            ASSERT_NEAR(std::hypot(x[k].re, x[k].im), 0.0, 1e-9) << "n=" << n << " k=" << k;
        fft_inverse(n, x.data());
        for (int k = 0; k < n; ++k) {
            ASSERT_NEAR(x[k].re, 1.0, 1e-12);
            ASSERT_NEAR(x[k].im, 0.0, 1e-12);
        }
    }
}

TEST(Fft, CosineAndSineOfWholeCycles)
{
    const int n = 512;
    for (int k : {1, 5, 100, 255}) {
        std::vector<Complex> c(n), s(n);
        for (int i = 0; i < n; ++i) {
            c[i] = {std::cos(2 * kPi * k * i / n), 0.0};
            s[i] = {std::sin(2 * kPi * k * i / n), 0.0};
        }
        fft_forward(n, c.data());
        fft_forward(n, s.data());
        for (int b = 0; b < n; ++b) {
            const bool at = b == k || b == n - k;
            ASSERT_NEAR(c[b].re, at ? n / 2.0 : 0.0, 1e-9) << k << " " << b;
            ASSERT_NEAR(c[b].im, 0.0, 1e-9);
            ASSERT_NEAR(s[b].re, 0.0, 1e-9);
            const double im = b == k ? -n / 2.0 : (b == n - k ? n / 2.0 : 0.0);
            ASSERT_NEAR(s[b].im, im, 1e-9) << k << " " << b;
        }
    }
}

TEST(Fft, MatchesNaiveDftForRandomFramesOfEverySize)
{
    for (int bits = 1; bits <= 11; ++bits) {
        const int n = 1 << bits;
        const std::vector<Complex> x = randomFrame(n, 100 + bits);
        const std::vector<Complex> want = naiveDft(x, -1);
        std::vector<Complex> got = x;
        fft_forward(n, got.data());
        // Tolerance relative to the frame's energy (Parseval: sum |X|^2 = N E).
        const double scale = std::sqrt(energy(x) * n);
        for (int k = 0; k < n; ++k) {
            ASSERT_NEAR(got[k].re, want[k].re, 1e-9 * scale) << "n=" << n << " k=" << k;
            ASSERT_NEAR(got[k].im, want[k].im, 1e-9 * scale) << "n=" << n << " k=" << k;
        }
        // Inverse: (1/N) sum X e^{+...}, checked against the naive sum too.
        std::vector<Complex> back = want;
        fft_inverse(n, back.data());
        for (int k = 0; k < n; ++k) {
            ASSERT_NEAR(back[k].re, x[k].re, 1e-12 * scale);
            ASSERT_NEAR(back[k].im, x[k].im, 1e-12 * scale);
        }
    }
}

TEST(Fft, LargeRoundTripAndParseval)
{
    const int n = 65536;
    const std::vector<Complex> x = randomFrame(n, 7);
    std::vector<Complex> y = x;
    fft_forward(n, y.data());
    EXPECT_NEAR(energy(y), n * energy(x), 1e-9 * n * energy(x));
    fft_inverse(n, y.data());
    for (int k = 0; k < n; ++k) {
        ASSERT_NEAR(y[k].re, x[k].re, 1e-12);
        ASSERT_NEAR(y[k].im, x[k].im, 1e-12);
    }
}

TEST(Fft, BitReversal)
{
    EXPECT_EQ(reverse_bits(1, 3), 4u);
    EXPECT_EQ(reverse_bits(6, 3), 3u);
    EXPECT_EQ(reverse_bits(1, 10), 512u);
    EXPECT_EQ(reverse_bits(0b1011, 4), 0b1101u);
    std::vector<Complex> x(16);
    for (int i = 0; i < 16; ++i)
        x[i] = {static_cast<double>(i), 0.0};
    bit_reverse_permute(16, x.data());
    const int expected[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(x[i].re, expected[i]);
}

TEST(SamplesToComplex, FullScaleIsOne)
{
    const int16_t s[4] = {32767, -32768, 16384, 0};
    Complex f[4];
    samples_to_complex(4, s, f);
    EXPECT_DOUBLE_EQ(f[0].re, 32767.0 / 32768.0);
    EXPECT_EQ(f[1].re, -1.0);
    EXPECT_EQ(f[2].re, 0.5);
    for (const Complex& c : f)
        EXPECT_EQ(c.im, 0.0);
}

TEST(Kaiser, BesselSeriesAndWindowValues)
{
    EXPECT_EQ(bessel_i0(0.0), 1.0);
    EXPECT_NEAR(bessel_i0(1.0), 1.2660658777520082, 1e-9);
    const double i0of10 = besselI0Reference(10.0); // about 2815.7166
    EXPECT_NEAR(bessel_i0(10.0), i0of10, i0of10 * 2e-9);

    const int n = 1024;
    std::vector<Complex> w(n, Complex{1.0, 0.25});
    kaiser_window(n, w.data(), 10);
    EXPECT_NEAR(w[512].re, 1.0, 1e-12);
    EXPECT_NEAR(w[0].re, 1.0 / i0of10, 1e-12);
    EXPECT_NEAR(w[0].re, 3.5515e-4, 1e-7);
    // An interior point from the formula with the reference series.
    const double i = 256, m = 512;
    EXPECT_NEAR(w[256].re, besselI0Reference(10.0 * std::sqrt((2 * m - i) * i) / m) / i0of10, 1e-9);
    // Symmetric about M, im untouched.
    EXPECT_NEAR(w[100].re, w[924].re, 1e-12);
    for (const Complex& c : w)
        ASSERT_EQ(c.im, 0.25);
}

TEST(MagnitudeSpectrum, LowCutNoiseFloorAndPeak)
{
    const int n = 4096, rate = 44100;
    // trunc(4096 * 20 / 44100) = 1: bins 0 and 1 are cut however loud.
    std::vector<Complex> f(n, Complex{0.0, 0.0});
    f[0] = {100.0, 0.0};
    f[1] = {50.0, 0.0};
    f[7] = {3.0, 4.0};  // magnitude 5: the peak
    f[9] = {0.0, 2.0};
    const double floor = 4096 / 16384.0 * 0.032; // 0.008
    f[12] = {floor, 0.0};        // exactly on the floor: stored as 0
    f[13] = {floor * 1.001, 0.0}; // just above: kept
    std::vector<double> m(n / 2, -1.0);
    int lowCut = -1;
    double level = -1;
    const double peak = magnitude_spectrum(n, f.data(), m.data(), rate, lowCut, level);
    EXPECT_EQ(lowCut, 1);
    EXPECT_EQ(m[0], 0.0);
    EXPECT_EQ(m[1], 0.0);
    EXPECT_EQ(peak, 7.0);
    EXPECT_DOUBLE_EQ(m[7], 5.0);
    EXPECT_DOUBLE_EQ(m[9], 2.0);
    EXPECT_DOUBLE_EQ(level, 5.0 / 178.0);
    EXPECT_EQ(m[12], 0.0);
    EXPECT_GT(m[13], 0.0);
    EXPECT_EQ(m[2], 0.0);
}

TEST(MagnitudeSpectrum, NothingAboveTheFloorReportsBinZero)
{
    const int n = 1024;
    std::vector<Complex> f(n, Complex{0.001, 0.0}); // floor is 0.002
    std::vector<double> m(n / 2);
    int lowCut = 0;
    double level = -1;
    EXPECT_EQ(magnitude_spectrum(n, f.data(), m.data(), 44100, lowCut, level), 0.0);
    EXPECT_EQ(level, 0.0);
}

TEST(SpectrumLevel, DecibelScale)
{
    // 0 dB at (N/16384) * 3200; -100 dB at or below the floor.
    EXPECT_NEAR(spectrum_level_db(3200.0, 16384), 0.0, 1e-12);
    EXPECT_NEAR(spectrum_level_db(800.0, 4096), 0.0, 1e-12);
    EXPECT_NEAR(spectrum_level_db(32.0, 16384), -40.0, 1e-12);
    EXPECT_EQ(spectrum_level_db(0.032, 16384), -100.0);
    EXPECT_EQ(spectrum_level_db(0.0, 16384), -100.0);
}

TEST(PowerOfTwo, Helpers)
{
    EXPECT_EQ(nearest_power_of_two(48), 32); // tie goes down
    EXPECT_EQ(nearest_power_of_two(49), 64);
    EXPECT_EQ(nearest_power_of_two(1000), 1024);
    EXPECT_EQ(nearest_power_of_two(1), 1);
    EXPECT_EQ(power_of_two_floor(1 << 24), 1 << 24);
    EXPECT_EQ(power_of_two_floor((1 << 24) + 1), 1 << 24);
    EXPECT_EQ(power_of_two_floor(100000000), 1 << 24);
    EXPECT_EQ(power_of_two_floor(1023), 512);
    EXPECT_EQ(power_of_two_floor(1), 1);
    EXPECT_EQ(power_of_two_floor(-5), 0); // ends rather than halving forever
    EXPECT_EQ(power_of_two_ceil(0), 1);
    EXPECT_EQ(power_of_two_ceil(1025), 2048);
    EXPECT_EQ(power_of_two_ceil(1024), 1024);
}

TEST(PowerOfTwo, BestMultiple)
{
    // 1000 lies 24 from 1024; no other k in 8 .. 23 comes nearer.
    EXPECT_EQ(best_power_of_two_multiple(100.0, 8, 24), 10);
    // 44100/441 = 100 samples per period, same answer.
    EXPECT_EQ(best_power_of_two_multiple(44100.0 / 441.0, 8, 24), 10);
    // 64 samples: k = 8 gives 512 exactly (the first exact one wins).
    EXPECT_EQ(best_power_of_two_multiple(64.0, 8, 24), 8);
    EXPECT_EQ(best_power_of_two_multiple(100.0, 24, 8), 8);
    EXPECT_EQ(best_power_of_two_multiple(INFINITY, 8, 24), 24);
}

TEST(ReduceRatio, SampleRatePairs)
{
    int p = 0, q = 0;
    reduce_ratio(44100, 48000, p, q);
    EXPECT_EQ(p, 147);
    EXPECT_EQ(q, 160);
    reduce_ratio(48000, 44100, p, q);
    EXPECT_EQ(p, 160);
    EXPECT_EQ(q, 147);
    reduce_ratio(22050, 44100, p, q);
    EXPECT_EQ(p, 1);
    EXPECT_EQ(q, 2);
    reduce_ratio(44100, 44100, p, q);
    EXPECT_EQ(p, 1);
    EXPECT_EQ(q, 1);
    reduce_ratio(0, 0, p, q); // must end
    EXPECT_EQ(p, 0);
}
