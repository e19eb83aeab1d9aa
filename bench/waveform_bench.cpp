// Rebuild of the waveform picture for a long sound. The view is 341 dialog
// units wide; at about 2.13 pixels per horizontal unit with the default font
// that is 726 columns, and 219 rows for its 103 units of height.

#include "views/waveform_columns.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kViewWidth = 726;
constexpr int kViewHeight = 219;

std::vector<int16_t> tone(int32_t frames, double hz, int32_t rate)
{
    std::vector<int16_t> v(static_cast<size_t>(frames));
    for (int32_t i = 0; i < frames; ++i)
        v[i] = static_cast<int16_t>(20000.0 * std::sin(2.0 * M_PI * hz * i / rate) * std::exp(-i / (rate * 200.0)));
    return v;
}

// 10 minutes of stereo at 44.1 kHz: 26 460 000 frames per channel.
void BM_WaveformRebuildTenMinutesStereo(benchmark::State& state)
{
    const int32_t rate = 44100;
    const int32_t frames = rate * 600;
    const auto left = tone(frames, 440.0, rate);
    const auto right = tone(frames, 443.0, rate);
    const int width = static_cast<int>(state.range(0));
    WaveformColumns wc;
    for (auto _ : state) {
        rebuildWaveformColumns(left.data(), right.data(), 2, frames, width, kViewHeight, wc);
        benchmark::DoNotOptimize(wc.minY[0].data());
        benchmark::DoNotOptimize(wc.maxY[1].data());
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(frames) * 2);
}
BENCHMARK(BM_WaveformRebuildTenMinutesStereo)->Arg(kViewWidth)->Arg(2 * kViewWidth)->Unit(benchmark::kMillisecond);

// A typical instrument sample: 5 s mono.
void BM_WaveformRebuildFiveSecondsMono(benchmark::State& state)
{
    const int32_t rate = 44100;
    const int32_t frames = rate * 5;
    const auto left = tone(frames, 440.0, rate);
    WaveformColumns wc;
    for (auto _ : state) {
        rebuildWaveformColumns(left.data(), nullptr, 1, frames, kViewWidth, kViewHeight, wc);
        benchmark::DoNotOptimize(wc.minY[0].data());
    }
}
BENCHMARK(BM_WaveformRebuildFiveSecondsMono)->Unit(benchmark::kMicrosecond);

} // namespace
