// Loop search over long selections of a noisy harmonic tone (44.1 kHz stereo):
// the engine on every core, the engine on one thread, and the plain reference
// from the tests (one thread, one iteration: it is slow by design).
//
// Arguments: tone Hz, loop type (0 forward, 1 alternate), selection seconds,
// minimum percent, decay (0 a steady tone, 1 falling by 1.3 dB per second).
// The maximum is 100 %. The steady tone is the hard case: the decay lets the
// engine rule out most pairs from their windows' energies alone.

#include "loop/auto_loop.h"
#include "loop/loop_search.h"

#include "../tests/core/loop_search_reference.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <algorithm>
#include <map>
#include <thread>
#include <utility>

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 12;
constexpr int kSelectionStart = kRate; // one second in

const SampleBuffer& toneOf(int hz, bool decaying)
{
    static std::map<std::pair<int, bool>, SampleBuffer> sounds;
    auto found = sounds.find({hz, decaying});
    if (found != sounds.end())
        return found->second;
    SampleBuffer& snd = sounds[{hz, decaying}];
    const int n = kRate * kSeconds;
    snd.allocate(2, n);
    snd.sampleCount = n;
    snd.sampleRate = kRate;
    snd.channels = 2;
    snd.bitsPerSample = 16;
    snd.pitchHz = hz;
    const double pi = 3.14159265358979323846;
    uint64_t state = 12345;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double phase = 2 * pi * hz * t;
        const double env = 12000 * std::exp(decaying ? -0.15 * t : 0.0);
        const double wave = std::sin(phase) + 0.5 * std::sin(2 * phase + 0.3) + 0.33 * std::sin(3 * phase + 1.1) +
                            0.25 * std::sin(4 * phase + 2.0);
        for (int c = 0; c < 2; ++c) {
            state = state * 6364136223846793005ULL + 1442695040888963407ULL;
            const double noise = 300.0 * (static_cast<double>(state >> 11) / 4503599627370496.0 - 1.0);
            snd.samples[c][i] = static_cast<int16_t>(std::lround(env * wave * (c == 0 ? 1.0 : 0.8) + noise));
        }
    }
    return snd;
}

LoopSearchRequest requestOf(const benchmark::State& state, int threads)
{
    LoopSearchRequest req;
    req.loopType = state.range(1) == 0 ? LoopType::Forward : LoopType::Alternate;
    req.selectionStart = kSelectionStart;
    req.selectionEnd = kSelectionStart + static_cast<int32_t>(state.range(2)) * kRate;
    req.minPercent = static_cast<int>(state.range(3));
    req.maxPercent = 100;
    req.threadCount = threads;
    return req;
}

void runEngine(benchmark::State& state, int threads)
{
    const SampleBuffer& snd = toneOf(static_cast<int>(state.range(0)), state.range(4) != 0);
    const LoopSearchRequest req = requestOf(state, threads);
    const std::atomic<bool> stop{false};
    int improvements = 0;
    for (auto _ : state) {
        SolutionTable table;
        const LoopSearchResult r = runLoopSearch(snd, req, table, stop);
        improvements = r.improvementCount;
        benchmark::DoNotOptimize(table.loopStart[0]);
    }
    state.counters["improvements"] = improvements;
}

void BM_LoopSearch(benchmark::State& state)
{
    runEngine(state, 0);
}

void BM_LoopSearchOneThread(benchmark::State& state)
{
    runEngine(state, 1);
}

void BM_LoopSearchReference(benchmark::State& state)
{
    const SampleBuffer& snd = toneOf(static_cast<int>(state.range(0)), state.range(4) != 0);
    const LoopSearchRequest req = requestOf(state, 1);
    const std::atomic<bool> stop{false};
    size_t improvements = 0;
    for (auto _ : state) {
        SolutionTable table;
        const reference::Run r = reference::search(snd, req, table, stop);
        improvements = r.improvements.size();
        benchmark::DoNotOptimize(table.loopStart[0]);
    }
    state.counters["improvements"] = static_cast<double>(improvements);
}

// How long Stop takes to be answered: the hardest forward case runs on every
// core, the flag is set 50 ms in, and the time from the flag to the search's
// return is what the user waits for after pressing Stop.
void BM_LoopSearchStopLatency(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const SampleBuffer& snd = toneOf(1000, false);
    LoopSearchRequest req;
    req.selectionStart = kSelectionStart;
    req.selectionEnd = kSelectionStart + 10 * kRate;
    double worstMs = 0.0;
    for (auto _ : state) {
        std::atomic<bool> stop{false};
        SolutionTable table;
        Clock::time_point returned;
        std::thread worker([&] {
            runLoopSearch(snd, req, table, stop);
            returned = Clock::now();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const Clock::time_point pressed = Clock::now();
        stop = true;
        worker.join();
        const double ms = std::chrono::duration<double, std::milli>(returned - pressed).count();
        worstMs = std::max(worstMs, ms);
        state.SetIterationTime(ms / 1000.0);
    }
    state.counters["worst_ms"] = worstMs;
}

void cases(benchmark::internal::Benchmark* b)
{
    for (int hz : {110, 1000}) {
        for (int type : {0, 1}) {
            b->Args({hz, type, 10, 50, 0});
            b->Args({hz, type, 3, 0, 0});
        }
    }
    b->Args({1000, 0, 10, 50, 1});
    // The engine's helper threads count in its CPU time too.
    b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
}

} // namespace

BENCHMARK(BM_LoopSearch)->Apply(cases);
BENCHMARK(BM_LoopSearchOneThread)->Apply(cases);
BENCHMARK(BM_LoopSearchReference)->Apply(cases)->Iterations(1);
BENCHMARK(BM_LoopSearchStopLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The automatic loop over the whole 12-second noisy tone (its sustain and
// every length of four periods or more), one thread. Arguments: tone Hz,
// decay as above.
void BM_AutoLoop(benchmark::State& state)
{
    const SampleBuffer& snd = toneOf(static_cast<int>(state.range(0)), state.range(1) != 0);
    const std::atomic<bool> stop{false};
    for (auto _ : state) {
        const AutoLoopRun run = autoLoopSound(snd, stop);
        benchmark::DoNotOptimize(run.result.loops.data());
    }
}
BENCHMARK(BM_AutoLoop)->Args({55, 0})->Args({220, 0})->Args({880, 0})->Args({220, 1})->Unit(benchmark::kMillisecond);
