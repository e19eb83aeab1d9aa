#include "dsp/spectrum.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

double spectrum_noise_floor(int n)
{
    return (n / 16384.0) * 0.032;
}

double spectrum_full_scale(int n)
{
    return (n / 16384.0) * 3200.0;
}

double spectrum_level_db(double magnitude, int n)
{
    if (magnitude > spectrum_noise_floor(n))
        return 20.0 * std::log10(magnitude / spectrum_full_scale(n));
    return -100.0;
}

double magnitude_spectrum(int n, const Complex* frame, double* magnitudes, int sampleRate,
                          int& lowCutBin, double& referenceLevel)
{
    const int half = n / 2;
    lowCutBin = sampleRate > 0 ? static_cast<int>(static_cast<int64_t>(n) * 20 / sampleRate) : 0;
    for (int i = 0; i <= lowCutBin && i < half; ++i)
        magnitudes[i] = 0.0;

    const double floor = spectrum_noise_floor(n);
    double best = 0.0;
    int bestBin = 0;
    for (int i = lowCutBin + 1; i < half; ++i) {
        double m = std::sqrt(frame[i].re * frame[i].re + frame[i].im * frame[i].im);
        if (m <= floor)
            m = 0.0;
        magnitudes[i] = m;
        if (m > best) {
            best = m;
            bestBin = i;
        }
    }
    referenceLevel = best / 178.0;
    return bestBin;
}

int power_of_two_floor(int n)
{
    int v = 1 << 24;
    while (v > n && v > 0)
        v /= 2;
    return v;
}

int power_of_two_ceil(int n)
{
    int v = 1;
    while (v < n && v < (1 << 30))
        v *= 2;
    return v;
}

int nearest_power_of_two(int n)
{
    const int64_t lo = power_of_two_floor(n);
    const int64_t hi = power_of_two_ceil(n);
    return std::llabs(hi - n) < std::llabs(n - lo) ? static_cast<int>(hi) : static_cast<int>(lo);
}

int best_power_of_two_multiple(double x, int16_t from, int16_t to)
{
    int64_t bestDistance = 9000000;
    int best = to;
    for (int k = from; k < to; ++k) {
        const double product = x * k + 0.5;
        // Not finite, or no int length: such a k cannot be chosen.
        if (!(product >= 0.0 && product < 2147483647.0))
            continue;
        const int g = static_cast<int>(product);
        const int64_t d = std::llabs(static_cast<int64_t>(nearest_power_of_two(g)) - g);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

void reduce_ratio(int p, int q, int& pOut, int& qOut)
{
    while (p != 0 && q != 0 && p % 2 == 0 && q % 2 == 0) {
        p /= 2;
        q /= 2;
    }
    int n = (p & ~7) > (q & ~7) ? p : q;
    n >>= 3;
    for (int i = n; i >= 1; --i) {
        for (int d = 4 * i + 1; d >= 4 * i - 1; d -= 2) {
            while (p % d == 0 && q % d == 0 && p != 0 && q != 0) {
                p /= d;
                q /= d;
            }
        }
    }
    pOut = p;
    qOut = q;
}
