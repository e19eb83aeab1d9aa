// The whole harmonic-profile computation as the window runs it after most
// edits: 10 s of stereo 44.1 kHz at the default settings (2048-point frames,
// 50 % overlap), for a tone at 220 Hz and one at 55 Hz (whose frames grow to
// 4096 points to hold four periods). The commands stay locked for this long.

#include "dsp/harmonic_profiles.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <vector>

namespace {

constexpr int kRate = 44100;

std::vector<int16_t> harmonicTone(double hz, int frames, double detune)
{
    std::vector<int16_t> out(static_cast<size_t>(frames));
    const double w = 2 * 3.14159265358979323846 * hz * detune / kRate;
    for (int i = 0; i < frames; ++i) {
        double v = 0.0;
        for (int n = 1; n <= 20 && n * hz < kRate / 2; ++n)
            v += std::sin(n * w * i) / n;
        out[i] = static_cast<int16_t>(v * 6000.0);
    }
    return out;
}

void BM_HarmonicProfiles10sStereo(benchmark::State& state)
{
    const double hz = static_cast<double>(state.range(0));
    const int frames = 10 * kRate;
    const std::vector<int16_t> left = harmonicTone(hz, frames, 1.0);
    const std::vector<int16_t> right = harmonicTone(hz, frames, 1.003);
    ProfileSource source;
    source.samples[0] = left.data();
    source.samples[1] = right.data();
    source.channels = 2;
    source.sampleCount = frames;
    source.sampleRate = kRate;
    source.pitchHz = hz;
    const ProfileSettings settings; // 2048, 50 %
    std::atomic<bool> stop{false};
    HarmonicProfiles out;
    for (auto _ : state) {
        compute_harmonic_profiles(source, settings, out, stop);
        benchmark::DoNotOptimize(out.frequency[0][0].data());
    }
    state.counters["frames"] = out.frames;
    state.counters["frameSize"] = out.frameSize;
}
BENCHMARK(BM_HarmonicProfiles10sStereo)->Arg(220)->Arg(55)->Unit(benchmark::kMillisecond);

} // namespace
