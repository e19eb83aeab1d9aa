// New by FFT mixing: what the user waits for under the wait cursor after a
// load (the analysis) and after Mix (tuning, conversion, sum, equaliser),
// on two 3-second stereo tones at 44100 Hz a fifth apart.

#include "mixing/fft_mixing.h"
#include "mixing/mix_input.h"

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

MixInput stereoTone(double f0, int frames)
{
    MixInput in;
    in.channels = 2;
    in.bitsPerSample = 16;
    in.blockAlign = 4;
    in.sampleRate = 44100;
    in.frameCount = frames;
    for (int c = 0; c < 2; ++c) {
        in.samples[c].resize(frames);
        for (int t = 0; t < frames; ++t) {
            double v = 0.0;
            for (int k = 1; k <= 12; ++k)
                v += std::sin(2.0 * M_PI * f0 * (1.0 + 0.001 * c) * k * t / 44100.0) / (k * 3.0);
            in.samples[c][t] = static_cast<int16_t>(v * 20000.0 * std::exp(-1.0 * t / frames));
        }
    }
    return in;
}

void BM_AnalyseMixInput(benchmark::State& state)
{
    MixInput in = stereoTone(220.0, 3 * 44100);
    const double hints[2] = {0.0, 0.0};
    for (auto _ : state) {
        analyseMixInput(in, hints);
        benchmark::DoNotOptimize(in.pitchHz);
    }
}
BENCHMARK(BM_AnalyseMixInput)->Unit(benchmark::kMillisecond);

void BM_MixStereo(benchmark::State& state)
{
    MixInput inputs[2] = {stereoTone(220.0, 3 * 44100), stereoTone(330.0, 3 * 44100)};
    const double hints[2] = {0.0, 0.0};
    for (MixInput& in : inputs)
        analyseMixInput(in, hints);
    MixSettings settings;
    const int note = proposedDestinationNote(inputs[0].pitchHz, inputs[1].pitchHz);
    for (auto _ : state) {
        const MixRates rates = planMixRates(inputs, note, settings.maxRateIndex);
        ResampledInput converted[2];
        for (int i = 0; i < 2; ++i)
            resampleMixInput(inputs[i], rates.rate[i], rates.destination, converted[i]);
        MixResult result;
        mixInharmonic(inputs, converted, settings, rates.destination, result);
        equalizeHarmonics(result, inputs, settings);
        benchmark::DoNotOptimize(result.samples[0].data());
    }
}
BENCHMARK(BM_MixStereo)->Unit(benchmark::kMillisecond);

} // namespace
