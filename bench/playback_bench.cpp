// CPU cost of the playback worker while a stereo loop plays on the null
// output. The worker's own thread CPU time (CLOCK_THREAD_CPUTIME_ID, taken when
// it ends) is divided by the wall time it ran: "worker_core_fraction" is the
// share of one core it used. The null device's clock thread does the mixing
// a sound card would do and is not counted.
//
// RealTime: the null device runs at real speed for 3 s (3 s of sound).
// FasterThanRealTime: the clock runs 5 times fast, so 10 s of sound play in
// 2 s; refills come 5 times as often, so the fraction is an upper bound.

#include "playback/PlaybackEngine.h"
#include "platform/null_audio_device.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

namespace {

void playLoop(benchmark::State& state, double speed, double wallSeconds)
{
    const int32_t rate = 44100;
    SampleBuffer sound;
    sound.allocate(2, rate * 4);
    sound.sampleCount = rate * 4;
    sound.sampleRate = rate;
    sound.channels = 2;
    for (int ch = 0; ch < 2; ++ch)
        for (int32_t k = 0; k < sound.sampleCount; ++k)
            sound.loopBody[ch][k] = static_cast<int16_t>((k * 131 + ch) % 20000 - 10000);
    // A 0.1 s loop: every refill copies it several times.
    sound.loops.loopStart[0] = rate;
    sound.loops.loopEnd[0] = rate + rate / 10;

    for (auto _ : state) {
        PlaybackEngine engine;
        engine.initDevice(std::make_unique<NullAudioDevice>(NullAudioDevice::Clock::RealTime, speed));
        engine.setSound(&sound);
        for (int ch = 0; ch < 2; ++ch)
            engine.createChannelBuffer(rate, PlaybackEngine::ringSamplesFor(rate), ch);
        const auto start = std::chrono::steady_clock::now();
        engine.startPlayback(PlayLoopForward, true);
        std::this_thread::sleep_for(std::chrono::duration<double>(wallSeconds));
        engine.stopPlayback();
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpu = engine.lastWorkerCpuSeconds();
        state.SetIterationTime(wall);
        state.counters["sound_seconds"] = wall * speed;
        state.counters["worker_cpu_ms"] = cpu * 1000.0;
        state.counters["worker_core_fraction"] = cpu / wall;
        state.counters["polls"] = static_cast<double>(engine.pollCount());
    }
}

void BM_PlaybackWorkerRealTime(benchmark::State& state) { playLoop(state, 1.0, 3.0); }
void BM_PlaybackWorkerFasterThanRealTime(benchmark::State& state) { playLoop(state, 5.0, 2.0); }

} // namespace

BENCHMARK(BM_PlaybackWorkerRealTime)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlaybackWorkerFasterThanRealTime)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
