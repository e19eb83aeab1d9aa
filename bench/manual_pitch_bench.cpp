// The manual pitch dialog's first paint: both channels of a stereo sound
// transformed (Kaiser window, FFT, magnitudes) and reduced to one column per
// pixel of a 700-pixel view, at the default frame (N = 16384) and the largest
// one the FFT options offer (N = 65536). The user waits this long under
// the wait cursor before the spectrum shows.

#include "views/manual_pitch_display.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

void BM_ManualPitchFirstPaint(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    const int frames = 2 * n;
    std::vector<int16_t> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        double l = 0, r = 0;
        for (int h = 1; h <= 8; ++h) {
            l += std::sin(2 * M_PI * 220.0 * h * i / 44100) / h;
            r += std::sin(2 * M_PI * 221.0 * h * i / 44100) / h;
        }
        left[static_cast<size_t>(i)] = static_cast<int16_t>(8000 * l);
        right[static_cast<size_t>(i)] = static_cast<int16_t>(8000 * r);
    }
    ManualPitchSound sound;
    sound.channels = 2;
    sound.samples[0] = left.data();
    sound.samples[1] = right.data();
    sound.sampleCount = frames;
    sound.sampleRate = 44100;
    sound.frameSize = n;
    sound.startSample = frames / 3;
    ManualPitchDisplay display;
    for (auto _ : state) {
        display.setSound(sound);
        benchmark::DoNotOptimize(display.prepare(700, 260));
    }
    state.SetLabel("stereo, 700 px");
}
BENCHMARK(BM_ManualPitchFirstPaint)->Arg(16384)->Arg(65536)->Unit(benchmark::kMillisecond);

} // namespace
