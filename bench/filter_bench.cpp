// Speed of the FIR engine over 10 s of 44.1 kHz audio: the direct form, the
// FFT path, and the same overlap-save convolution on FFTW as a yardstick for
// the transform (benchmark only). Also the IIR peaking filter, and the Clean
// low frequencies command on a 10 s stereo sound.

#include "document/SampleBuffer.h"
#include "document/undo_history.h"
#include "dsp/fft.h"
#include "dsp/filter_design.h"
#include "dsp/fir_fft.h"
#include "dsp/fir_filter.h"
#include "processing/clean_enhance.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#ifdef RINGTIDE_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

constexpr int kFrames = 441000;

std::vector<int16_t> noiseChannel(int count)
{
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> u(-20000, 20000);
    std::vector<int16_t> x(static_cast<size_t>(count));
    for (auto& v : x)
        v = static_cast<int16_t>(u(rng));
    return x;
}

// A low-pass of the given length: a windowed sinc, the shape of the
// extraction and clean filters.
std::vector<double> taps(int count)
{
    std::vector<double> h(static_cast<size_t>(count));
    const int m = (count - 1) / 2;
    for (int i = 0; i < count; ++i) {
        const double t = i - m;
        const double w = 0.5 + 0.5 * std::cos(3.141592653589793 * t / (m + 1));
        h[static_cast<size_t>(i)] = t == 0 ? 0.1 : w * std::sin(0.1 * 3.141592653589793 * t) / (3.141592653589793 * t);
    }
    return h;
}

void runFir(benchmark::State& state, FirMethod method)
{
    const int tapCount = static_cast<int>(state.range(0));
    const std::vector<double> h = taps(tapCount);
    const std::vector<int16_t> in = noiseChannel(kFrames);
    std::vector<int16_t> out(in.size());
    for (auto _ : state) {
        fir_filter_samples(tapCount - 1, h.data(), kFrames, in.data(), out.data(), method);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["fft_size"] = fir_fft_size(tapCount - 1, kFrames);
}

void BM_FirDirect(benchmark::State& state)
{
    runFir(state, FirMethod::Direct);
}
BENCHMARK(BM_FirDirect)->Arg(7)->Arg(15)->Arg(31)->Arg(63)->Arg(255)->Arg(2215)->Arg(8191)->Unit(benchmark::kMillisecond);

void BM_FirFft(benchmark::State& state)
{
    runFir(state, FirMethod::Fft);
}
BENCHMARK(BM_FirFft)->Arg(7)->Arg(15)->Arg(31)->Arg(63)->Arg(255)->Arg(2215)->Arg(8191)->Unit(benchmark::kMillisecond);

void BM_FirAutomatic(benchmark::State& state)
{
    runFir(state, FirMethod::Automatic);
}
BENCHMARK(BM_FirAutomatic)->Arg(2215)->Arg(8191)->Unit(benchmark::kMillisecond);

#ifdef RINGTIDE_HAVE_FFTW
// The FFT path's overlap-save, two blocks per complex transform of the same
// size, on FFTW_MEASURE plans: what our transform would gain from FFTW.
void BM_FirFftw(benchmark::State& state)
{
    const int tapCount = static_cast<int>(state.range(0));
    const int order = tapCount - 1;
    const std::vector<double> h = taps(tapCount);
    const std::vector<int16_t> in = noiseChannel(kFrames);
    std::vector<int16_t> out(in.size());
    const int n = fir_fft_size(order, kFrames);
    const int valid = n - order;
    const int delay = order / 2;

    fftw_complex* response = fftw_alloc_complex(static_cast<size_t>(n));
    fftw_complex* frame = fftw_alloc_complex(static_cast<size_t>(n));
    fftw_plan forward = fftw_plan_dft_1d(n, frame, frame, FFTW_FORWARD, FFTW_MEASURE);
    fftw_plan inverse = fftw_plan_dft_1d(n, frame, frame, FFTW_BACKWARD, FFTW_MEASURE);
    for (int t = 0; t < n; ++t) {
        frame[t][0] = t < tapCount ? h[static_cast<size_t>(t)] / n : 0.0;
        frame[t][1] = 0.0;
    }
    fftw_execute(forward);
    for (int t = 0; t < n; ++t) {
        response[t][0] = frame[t][0];
        response[t][1] = frame[t][1];
    }

    for (auto _ : state) {
        const std::vector<double> x(in.begin(), in.end());
        auto at = [&](long m) { return m >= 0 && m < kFrames ? x[static_cast<size_t>(m)] : 0.0; };
        for (long first = 0; first < kFrames; first += 2L * valid) {
            const long second = first + valid;
            for (long t = 0; t < n; ++t) {
                frame[t][0] = at(first + delay - order + t);
                frame[t][1] = second < kFrames ? at(second + delay - order + t) : 0.0;
            }
            fftw_execute(forward);
            for (int t = 0; t < n; ++t) {
                const double ar = frame[t][0], ai = frame[t][1];
                const double br = response[t][0], bi = response[t][1];
                frame[t][0] = ar * br - ai * bi;
                frame[t][1] = ar * bi + ai * br;
            }
            fftw_execute(inverse);
            for (long t = order; t < n; ++t) {
                const long ka = first + (t - order);
                if (ka < kFrames)
                    out[static_cast<size_t>(ka)] = sample_from_unit(frame[t][0] * kSampleToUnit);
                const long kb = second + (t - order);
                if (kb < kFrames)
                    out[static_cast<size_t>(kb)] = sample_from_unit(frame[t][1] * kSampleToUnit);
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
    state.counters["fft_size"] = n;
    fftw_destroy_plan(forward);
    fftw_destroy_plan(inverse);
    fftw_free(frame);
    fftw_free(response);
}
BENCHMARK(BM_FirFftw)->Arg(2215)->Arg(8191)->Unit(benchmark::kMillisecond);
#endif

void BM_PeakingFilter(benchmark::State& state)
{
    const std::vector<int16_t> in = noiseChannel(kFrames);
    std::vector<int16_t> out(in.size());
    for (auto _ : state) {
        peaking_filter(44100, 660, 5, 13.75, kFrames, in.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames);
}
BENCHMARK(BM_PeakingFilter)->Unit(benchmark::kMillisecond);

// 10 s of stereo at 44.1 kHz with pitches 110 and 111 Hz: two passes of a
// 5531-tap (left) high-pass per channel, plus the undo snapshot.
void BM_CleanLowFrequencies(benchmark::State& state)
{
    SampleBuffer original;
    original.sampleCount = kFrames;
    original.sampleRate = 44100;
    original.channels = 2;
    original.bitsPerSample = 16;
    original.blockAlign = 4;
    original.samples[0] = noiseChannel(kFrames);
    original.samples[1] = noiseChannel(kFrames);
    original.channelPitch[0] = 110;
    original.channelPitch[1] = 111;
    original.updatePitchHz();
    for (auto _ : state) {
        state.PauseTiming();
        SampleBuffer doc = original;
        UndoHistory history;
        state.ResumeTiming();
        applyCleanLowFrequencies(doc, history);
        benchmark::DoNotOptimize(doc.samples[0].data());
    }
    state.SetItemsProcessed(state.iterations() * kFrames * 2);
}
BENCHMARK(BM_CleanLowFrequencies)->Unit(benchmark::kMillisecond);

} // namespace
