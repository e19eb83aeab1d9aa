#include "dsp/filter_design.h"

#include "dsp/fft.h"
#include "dsp/fir_filter.h"
#include "dsp/iir_filter.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
// Past this a design asks for more taps than any sound could use.
constexpr double kMaxTaps = 1 << 24;
} // namespace

double kaiser_beta(double attenuationDb)
{
    const double a = attenuationDb;
    if (a >= 50.0)
        return 0.1102 * (a - 8.7);
    if (a > 21.0)
        return 0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0);
    return 0.0;
}

double kaiser_width_factor(double attenuationDb)
{
    if (attenuationDb > 21.0)
        return (attenuationDb - 7.95) / 14.36;
    return 0.922;
}

int32_t fir_length(int32_t sampleRate, double widthHz, double widthFactor)
{
    if (!(widthHz > 0.0))
        return 1;
    const double v = sampleRate * widthFactor / widthHz + 1.0;
    if (!std::isfinite(v) || v < 1.0 || v > kMaxTaps)
        return 1;
    const double t = std::trunc(v);
    const auto whole = static_cast<int32_t>(t);
    if (whole % 2 == 0)
        return whole + 1;
    if (v == t)
        return whole;
    return whole + 2;
}

std::vector<double> highpass_coefficients(int32_t sampleRate, double stopEdgeHz, double passEdgeHz,
                                          double rippleDb, double attenuationDb)
{
    const double width = passEdgeHz - stopEdgeHz;
    if (!(width > 0.0) || sampleRate <= 0)
        return {};
    const double rp = std::pow(10.0, rippleDb / 20.0);
    const double deltaPass = (rp - 1.0) / (rp + 1.0);
    const double deltaStop = std::pow(10.0, -attenuationDb / 20.0);
    const double a = -20.0 * std::log10(std::min(deltaPass, deltaStop));
    const double beta = kaiser_beta(a);
    const int32_t n = fir_length(sampleRate, width, kaiser_width_factor(a));
    const int32_t m = (n - 1) / 2;
    const double wc = (stopEdgeHz + passEdgeHz) / 2.0 * 2.0 * kPi / sampleRate;

    std::vector<double> h(static_cast<size_t>(n));
    const double i0Beta = bessel_i0(beta);
    for (int32_t i = 0; i < n; ++i) {
        if (i == m) {
            h[static_cast<size_t>(i)] = 1.0 - wc / kPi;
            continue;
        }
        const double t = i - m;
        const double window = bessel_i0(beta * std::sqrt(static_cast<double>(n - 1 - i) * i) / m) / i0Beta;
        h[static_cast<size_t>(i)] = -window * std::sin(wc * t) / (kPi * t);
    }
    return h;
}

void highpass_filter(int32_t sampleRate, double stopEdgeHz, double passEdgeHz, double rippleDb,
                     double attenuationDb, int32_t count, const int32_t* in, int32_t* out, int passes)
{
    if (count <= 0)
        return;
    const std::vector<double> h = highpass_coefficients(sampleRate, stopEdgeHz, passEdgeHz, rippleDb, attenuationDb);
    if (h.empty() || passes < 1) {
        if (out != in)
            std::copy(in, in + count, out);
        return;
    }
    const auto order = static_cast<int32_t>(h.size()) - 1;
    fir_filter_ints(order, h.data(), count, in, out);
    for (int pass = 1; pass < passes; ++pass)
        fir_filter_ints(order, h.data(), count, out, out);
}

PeakingCoefficients peaking_coefficients(int32_t sampleRate, double centreHz, double gainDb, double bandwidthHz)
{
    const double w0 = 2.0 * kPi * centreHz / sampleRate;
    const double wb = 2.0 * kPi * bandwidthHz / sampleRate;
    const double k = std::pow(10.0, gainDb / 20.0);
    const double g = k * k;
    double h;
    if (g > 2.0)
        h = g / 2.0;
    else if (g > 0.5)
        h = (g + 1.0) / 2.0;
    else
        h = 2.0 * g;
    const double m = std::sqrt((h - 1.0) / (g - h)) * std::tan(wb / 2.0);
    const double c = -2.0 * std::cos(w0) / (1.0 + m);
    PeakingCoefficients p{};
    p.a[0] = 1.0;
    p.a[1] = c;
    p.a[2] = (1.0 - m) / (1.0 + m);
    p.b[0] = (1.0 + m * k) / (1.0 + m);
    p.b[1] = c;
    p.b[2] = (1.0 - m * k) / (1.0 + m);
    return p;
}

void peaking_filter(int32_t sampleRate, double centreHz, double gainDb, double bandwidthHz, int32_t count,
                    const int16_t* in, int16_t* out)
{
    if (gainDb == 0.0 || count <= 0 || sampleRate <= 0)
        return;
    const PeakingCoefficients p = peaking_coefficients(sampleRate, centreHz, gainDb, bandwidthHz);
    iir_filter_samples(2, p.a, 2, p.b, count, in, out);
}
