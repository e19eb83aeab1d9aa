// Harmonic extraction ("Extract", all the harmonics, one mask row) of 10 s
// of a stereo 110 Hz sound at 44.1 kHz: k = 10 periods in a 4096-point
// frame, so each channel runs a 4096-tap FIR over 441 000 frames. The
// automatic run takes the FFT-convolution path; the direct form is what it
// replaces. Also Trak on a 2 s attack of the same sound.

#include "document/SampleBuffer.h"
#include "dsp/spectrum.h"
#include "extraction/harmonic_comb.h"
#include "extraction/tracker.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kFrames = 10 * kRate;
constexpr double kPitch = 110.0;

// Twenty harmonics falling off as 1/o, a little noise, channels a little apart.
SampleBuffer organ()
{
    SampleBuffer doc;
    doc.channels = 2;
    doc.sampleRate = kRate;
    doc.sampleCount = kFrames;
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> noise(-300, 300);
    for (int c = 0; c < 2; ++c) {
        doc.samples[c].resize(kFrames);
        for (int32_t t = 0; t < kFrames; ++t) {
            double v = 0.0;
            for (int o = 1; o <= 20; ++o)
                v += 6000.0 / o * std::sin(2 * M_PI * o * kPitch * t / kRate + o * c);
            doc.samples[c][static_cast<size_t>(t)] = static_cast<int16_t>(v * 0.5 + noise(rng));
        }
        doc.channelPitch[c] = kPitch;
    }
    return doc;
}

void runExtraction(benchmark::State& state, FirMethod method)
{
    const SampleBuffer source = organ();
    SampleBuffer doc = source;
    CombFilterDesign design;
    design.operation = CombOperation::Extract;
    design.mode = CombMode::PassAllExceptListed;
    const int k = best_power_of_two_multiple(kRate / kPitch, 8, 24);
    for (auto _ : state) {
        for (int c = 0; c < 2; ++c)
            harmonic_comb_filter(kRate, kPitch, k, kFrames, source.samples[c].data(), doc.samples[c].data(), {},
                                 design, method);
        benchmark::DoNotOptimize(doc.samples[0].data());
    }
    state.SetItemsProcessed(state.iterations() * 2 * kFrames);
    state.counters["taps"] = harmonic_comb_frame(kRate, kPitch, k);
}

void BM_HarmonicExtraction(benchmark::State& state)
{
    runExtraction(state, FirMethod::Automatic);
}
BENCHMARK(BM_HarmonicExtraction)->Unit(benchmark::kMillisecond);

void BM_HarmonicExtractionDirectForm(benchmark::State& state)
{
    runExtraction(state, FirMethod::Direct);
}
BENCHMARK(BM_HarmonicExtractionDirectForm)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_TrackerTrak(benchmark::State& state)
{
    SampleBuffer source = organ();
    source.sampleCount = 3 * kRate;
    source.loops.loopStart[0] = 2 * kRate - 1;
    source.loops.loopEnd[0] = 2 * kRate - 1 + 401 * 20;
    for (auto _ : state) {
        SampleBuffer doc = source;
        TrackerState tracker;
        tracker.trak(doc, TrackerParams());
        benchmark::DoNotOptimize(doc.samples[0].data());
    }
}
BENCHMARK(BM_TrackerTrak)->Unit(benchmark::kMillisecond);

} // namespace
