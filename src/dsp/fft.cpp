#include "dsp/fft.h"

#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#define RINGTIDE_FFT_SSE2 1
#endif

namespace {

constexpr int kMaxLog2 = 30;
constexpr double kTwoPi = 6.283185307179586476925286766559;

// Everything a transform of one size needs that does not depend on the data.
// Twiddles are computed directly with cos/sin of the exact angle (not by a
// recurrence) so that their error does not grow with N.
struct FftTables {
    // Index pairs (i, r) with i < r = reverse_bits(i): each swapped once.
    std::vector<std::pair<uint32_t, uint32_t>> swaps;
    // For each radix-4 pass with quarter-span h >= 2, in pass order: for
    // j = 0 .. h-1 the three twiddles w^j, w^2j, w^3j with w = exp(-2*pi*i/(4h)).
    std::vector<Complex> twiddles;
#ifdef RINGTIDE_FFT_SSE2
    // The same twiddles as pairs (wr, wr), (-wi, wi), so that one complex
    // product is a * (wr, wr) + swap(a) * (-wi, wi): four doubles each.
    std::vector<double> vectorTwiddles;
#endif
};

int log2Exact(int n)
{
    if (n < 1)
        return -1;
    int bits = 0;
    while ((1 << bits) < n && bits < kMaxLog2)
        ++bits;
    return (1 << bits) == n ? bits : -1;
}

std::unique_ptr<FftTables> buildTables(int log2n)
{
    auto t = std::make_unique<FftTables>();
    const uint32_t n = 1u << log2n;
    for (uint32_t i = 0; i < n; ++i) {
        const uint32_t r = reverse_bits(i, log2n);
        if (i < r)
            t->swaps.emplace_back(i, r);
    }
    // An odd log2 N starts with one radix-2 pass; the radix-4 passes then have
    // quarter-spans 2, 8, 32 ... (odd) or 1, 4, 16 ... (even). h = 1 needs no
    // twiddles.
    for (uint32_t h = (log2n % 2) ? 2 : 1; 4 * h <= n; h *= 4) {
        if (h == 1)
            continue;
        for (uint32_t j = 0; j < h; ++j) {
            for (uint32_t m = 1; m <= 3; ++m) {
                const double angle = -kTwoPi * static_cast<double>(m * j) / static_cast<double>(4 * h);
                t->twiddles.push_back({std::cos(angle), std::sin(angle)});
            }
        }
    }
#ifdef RINGTIDE_FFT_SSE2
    t->vectorTwiddles.reserve(4 * t->twiddles.size());
    for (const Complex& w : t->twiddles)
        t->vectorTwiddles.insert(t->vectorTwiddles.end(), {w.re, w.re, -w.im, w.im});
#endif
    return t;
}

// Built once per size on first use, then read without locking.
const FftTables& tablesFor(int log2n)
{
    static std::array<std::atomic<const FftTables*>, kMaxLog2 + 1> ready{};
    static std::array<std::unique_ptr<FftTables>, kMaxLog2 + 1> owned;
    static std::mutex building;

    const FftTables* t = ready[log2n].load(std::memory_order_acquire);
    if (t)
        return *t;
    std::lock_guard<std::mutex> lock(building);
    t = ready[log2n].load(std::memory_order_relaxed);
    if (!t) {
        owned[log2n] = buildTables(log2n);
        t = owned[log2n].get();
        ready[log2n].store(t, std::memory_order_release);
    }
    return *t;
}

void permute(const FftTables& t, Complex* x)
{
    for (const auto& [i, r] : t.swaps)
        std::swap(x[i], x[r]);
}

// Two radix-2 decimation-in-time passes (half-spans h and 2h) fused into one
// radix-4 pass over blocks of 4h. With c1 = w^2j a1, c2 = w^j a2, c3 = w^3j a3:
//   y0 = (a0 + c1) + (c2 + c3)     y2 = (a0 + c1) - (c2 + c3)
//   y1 = (a0 - c1) - i (c2 - c3)   y3 = (a0 - c1) + i (c2 - c3)
[[maybe_unused]] void radix4Pass(Complex* x, uint32_t n, uint32_t h, const Complex* tw)
{
    for (uint32_t s = 0; s < n; s += 4 * h) {
        Complex* p0 = x + s;
        Complex* p1 = p0 + h;
        Complex* p2 = p1 + h;
        Complex* p3 = p2 + h;
        for (uint32_t j = 0; j < h; ++j) {
            const Complex w1 = tw[3 * j];
            const Complex w2 = tw[3 * j + 1];
            const Complex w3 = tw[3 * j + 2];
            const double a0r = p0[j].re, a0i = p0[j].im;
            const double a1r = p1[j].re, a1i = p1[j].im;
            const double a2r = p2[j].re, a2i = p2[j].im;
            const double a3r = p3[j].re, a3i = p3[j].im;
            const double c1r = a1r * w2.re - a1i * w2.im, c1i = a1r * w2.im + a1i * w2.re;
            const double c2r = a2r * w1.re - a2i * w1.im, c2i = a2r * w1.im + a2i * w1.re;
            const double c3r = a3r * w3.re - a3i * w3.im, c3i = a3r * w3.im + a3i * w3.re;
            const double sr = a0r + c1r, si = a0i + c1i;
            const double dr = a0r - c1r, di = a0i - c1i;
            const double er = c2r + c3r, ei = c2i + c3i;
            const double fr = c2r - c3r, fi = c2i - c3i;
            p0[j] = {sr + er, si + ei};
            p2[j] = {sr - er, si - ei};
            p1[j] = {dr + fi, di - fr};
            p3[j] = {dr - fi, di + fr};
        }
    }
}

#ifdef RINGTIDE_FFT_SSE2
// The radix-4 pass above, one complex value per SSE2 register.
inline __m128d swapHalves(__m128d a)
{
    return _mm_shuffle_pd(a, a, 1);
}

inline __m128d multiply(__m128d a, const double* w)
{
    return _mm_add_pd(_mm_mul_pd(a, _mm_loadu_pd(w)), _mm_mul_pd(swapHalves(a), _mm_loadu_pd(w + 2)));
}

void radix4PassVector(Complex* x, uint32_t n, uint32_t h, const double* tw)
{
    // (re, im) * -i = (im, -re): swap, then flip the sign of the upper half.
    const __m128d flipIm = _mm_set_pd(-0.0, 0.0);
    double* base = &x[0].re;
    for (uint32_t s = 0; s < n; s += 4 * h) {
        double* p0 = base + 2 * s;
        double* p1 = p0 + 2 * h;
        double* p2 = p1 + 2 * h;
        double* p3 = p2 + 2 * h;
        const double* w = tw;
        for (uint32_t j = 0; j < h; ++j, w += 12) {
            const __m128d a0 = _mm_loadu_pd(p0 + 2 * j);
            const __m128d c1 = multiply(_mm_loadu_pd(p1 + 2 * j), w + 4);
            const __m128d c2 = multiply(_mm_loadu_pd(p2 + 2 * j), w);
            const __m128d c3 = multiply(_mm_loadu_pd(p3 + 2 * j), w + 8);
            const __m128d sum = _mm_add_pd(a0, c1);
            const __m128d diff = _mm_sub_pd(a0, c1);
            const __m128d e = _mm_add_pd(c2, c3);
            const __m128d f = _mm_xor_pd(swapHalves(_mm_sub_pd(c2, c3)), flipIm); // -i (c2 - c3)
            _mm_storeu_pd(p0 + 2 * j, _mm_add_pd(sum, e));
            _mm_storeu_pd(p2 + 2 * j, _mm_sub_pd(sum, e));
            _mm_storeu_pd(p1 + 2 * j, _mm_add_pd(diff, f));
            _mm_storeu_pd(p3 + 2 * j, _mm_sub_pd(diff, f));
        }
    }
}
#endif

// The first radix-4 pass (h = 1): every twiddle is 1.
void radix4FirstPass(Complex* x, uint32_t n)
{
    for (uint32_t s = 0; s < n; s += 4) {
        Complex* p = x + s;
        const double sr = p[0].re + p[1].re, si = p[0].im + p[1].im;
        const double dr = p[0].re - p[1].re, di = p[0].im - p[1].im;
        const double er = p[2].re + p[3].re, ei = p[2].im + p[3].im;
        const double fr = p[2].re - p[3].re, fi = p[2].im - p[3].im;
        p[0] = {sr + er, si + ei};
        p[2] = {sr - er, si - ei};
        p[1] = {dr + fi, di - fr};
        p[3] = {dr - fi, di + fr};
    }
}

void radix2FirstPass(Complex* x, uint32_t n)
{
    for (uint32_t s = 0; s < n; s += 2) {
        const Complex a = x[s], b = x[s + 1];
        x[s] = {a.re + b.re, a.im + b.im};
        x[s + 1] = {a.re - b.re, a.im - b.im};
    }
}

} // namespace

uint32_t reverse_bits(uint32_t i, int bitCount)
{
    uint32_t r = 0;
    for (int b = 0; b < bitCount; ++b) {
        r = (r << 1) | (i & 1u);
        i >>= 1;
    }
    return r;
}

void bit_reverse_permute(int n, Complex* frame)
{
    const int bits = log2Exact(n);
    if (bits < 1)
        return;
    permute(tablesFor(bits), frame);
}

void fft_forward(int n, Complex* frame)
{
    const int bits = log2Exact(n);
    if (bits < 1)
        return;
    const FftTables& t = tablesFor(bits);
    const uint32_t un = static_cast<uint32_t>(n);
    permute(t, frame);
    uint32_t h;
    if (bits % 2) {
        radix2FirstPass(frame, un);
        h = 2;
    } else {
        radix4FirstPass(frame, un);
        h = 4;
    }
#ifdef RINGTIDE_FFT_SSE2
    const double* tw = t.vectorTwiddles.data();
    for (; 4 * h <= un; h *= 4) {
        radix4PassVector(frame, un, h, tw);
        tw += 12 * h;
    }
#else
    const Complex* tw = t.twiddles.data();
    for (; 4 * h <= un; h *= 4) {
        radix4Pass(frame, un, h, tw);
        tw += 3 * h;
    }
#endif
}

void fft_inverse(int n, Complex* frame)
{
    if (log2Exact(n) < 1)
        return;
    for (int k = 0; k < n; ++k)
        frame[k].im = -frame[k].im;
    fft_forward(n, frame);
    const double scale = 1.0 / n;
    for (int k = 0; k < n; ++k) {
        frame[k].re = frame[k].re * scale;
        frame[k].im = -frame[k].im * scale;
    }
}

void samples_to_complex(int n, const int16_t* samples, Complex* frame)
{
    for (int k = 0; k < n; ++k)
        frame[k] = {samples[k] * kSampleToUnit, 0.0};
}

double bessel_i0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int m = 1;; ++m) {
        const double q = x / (2.0 * m);
        term *= q * q;
        sum += term;
        if (term <= sum * 1e-9)
            break;
    }
    return sum;
}

void kaiser_window(int n, Complex* frame, int16_t beta)
{
    if (n < 2)
        return;
    const int m = n / 2;
    const double norm = 1.0 / bessel_i0(beta);
    for (int i = 0; i < n; ++i) {
        const double arg = static_cast<double>(2 * m - i) * i;
        const double r = arg > 0 ? std::sqrt(arg) : 0.0;
        frame[i].re *= bessel_i0(beta * r / m) * norm;
    }
}
