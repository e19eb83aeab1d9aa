// The cut/boost dialog's Apply (one peaking filter over every working copy,
// then both spectra again) and its sustain spectrum alone, on a 10-second
// stereo sound at 44.1 kHz with the largest analysis window (65536 samples).
// The spectrum view is 200 dialog units wide: about 400 columns.

#include "document/SampleBuffer.h"
#include "processing/cut_boost.h"
#include "views/cutboost_spectrum.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 10 * kRate;
constexpr int kViewWidth = 400;
constexpr int kViewHeight = 220;

SampleBuffer stereoTone()
{
    SampleBuffer doc;
    doc.allocateSamples(2, kFrames);
    doc.sampleCount = kFrames;
    doc.sampleRate = kRate;
    doc.channels = 2;
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kFrames; ++i) {
            double v = 0.0;
            for (int h = 1; h <= 8; ++h)
                v += std::sin(2 * M_PI * 220.0 * h * (1 + 0.001 * c) * i / kRate) / h;
            doc.samples[c][i] = static_cast<int16_t>(6000.0 * v * std::exp(-1.5 * i / kFrames));
        }
    return doc;
}

void BM_CutBoostApplyTenSecondsStereo(benchmark::State& state)
{
    const SampleBuffer doc = stereoTone();
    CutBoostSession session(doc);
    std::vector<int> bars;
    std::vector<Complex> frame;
    const int n = 65536;
    for (auto _ : state) {
        session.apply(3, n / 8, 200, n);
        for (int c = 0; c < 2; ++c) {
            computeCutBoostBars(session.channel(c), kFrames, 0, n / 4, kViewWidth, kViewHeight, true, bars, frame);
            computeCutBoostBars(session.channel(c), kFrames, kFrames / 3, n, kViewWidth, kViewHeight, true, bars,
                                frame);
        }
        benchmark::DoNotOptimize(bars.data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(kFrames) * 2);
}
BENCHMARK(BM_CutBoostApplyTenSecondsStereo)->Unit(benchmark::kMillisecond);

void BM_CutBoostSustainSpectrum65536(benchmark::State& state)
{
    const SampleBuffer doc = stereoTone();
    std::vector<int> bars;
    std::vector<Complex> frame;
    for (auto _ : state) {
        computeCutBoostBars(doc.samples[0].data(), kFrames, kFrames / 3, 65536, kViewWidth, kViewHeight, false, bars,
                            frame);
        benchmark::DoNotOptimize(bars.data());
    }
}
BENCHMARK(BM_CutBoostSustainSpectrum65536)->Unit(benchmark::kMillisecond);

} // namespace
