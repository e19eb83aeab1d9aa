#include "processing/fft_options.h"

#include "document/SampleBuffer.h"

#include <algorithm>
#include <cmath>

FftOptionsRequest fftOptionsRequest(const SampleBuffer& doc)
{
    FftOptionsRequest r;
    r.exponent = doc.fftSizeExp;
    if (doc.sampleRate <= 0)
        return r;
    const int64_t spare = static_cast<int64_t>(doc.sampleCount) - 1024;
    r.largestStartMs = spare > 0 ? static_cast<int32_t>(spare * 1000 / doc.sampleRate) : 0;
    const double startMs = doc.sampleCount * doc.fftStartFraction * 1000.0 / doc.sampleRate;
    r.startMs = startMs > 0.0 ? static_cast<int32_t>(std::min(startMs, 2147483647.0)) : 0;
    return r;
}

double fftWindowSamples(int exponent)
{
    return std::ldexp(1024.0, exponent);
}

void fitAnalysisWindow(SampleBuffer& doc)
{
    const double n = doc.sampleCount;
    if (n <= 0.0) {
        doc.fftStartFraction = std::max(0.0, doc.fftStartFraction);
        return;
    }
    // Latest start that keeps a 128-sample window strictly inside (rule: window
    // + start < N); none for sounds of 129 frames or fewer.
    const double latest = std::max(0.0, n - kSmallestFittedWindow - 1.0);
    if (!(doc.fftStartFraction >= 0.0))
        doc.fftStartFraction = 0.0;
    if (doc.fftStartFraction * n > latest)
        doc.fftStartFraction = latest / n;
    int e = doc.fftSizeExp;
    while (e > kLowestFftSizeExponent && fftWindowSamples(e) + doc.fftStartFraction * n >= n)
        --e;
    doc.fftSizeExp = static_cast<int16_t>(e);
}

void applyFftOptions(SampleBuffer& doc, int exponent, int32_t startMs)
{
    if (doc.sampleCount > 0 && doc.sampleRate > 0)
        doc.fftStartFraction = startMs * 0.001 * doc.sampleRate / doc.sampleCount;
    doc.fftSizeExp = static_cast<int16_t>(exponent);
    fitAnalysisWindow(doc);
}

SampleStretch fftWindowStretch(int32_t sampleRate, int32_t startMs, int exponent)
{
    SampleStretch s;
    s.first = static_cast<int32_t>(sampleRate * (startMs * 0.001));
    s.last = static_cast<int32_t>(s.first + fftWindowSamples(exponent));
    return s;
}

bool pitchMovedBeyondFivePercent(double oldHz, double newHz)
{
    return newHz * 1.05 < oldHz || newHz * 0.9523809523809523 > oldHz;
}
