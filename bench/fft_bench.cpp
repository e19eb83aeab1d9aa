// Speed of the transform against FFTW (complex, in place, FFTW_MEASURE plans)
// and of the pitch detection of one analysis frame.

#include "dsp/fft.h"
#include "dsp/pitch.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#ifdef RINGTIDE_HAVE_FFTW
#include <fftw3.h>
#endif

namespace {

std::vector<Complex> noiseFrame(int n)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    std::vector<Complex> x(static_cast<size_t>(n));
    for (Complex& c : x)
        c = {u(rng), u(rng)};
    return x;
}

void BM_FftForward(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    std::vector<Complex> x = noiseFrame(n);
    fft_forward(n, x.data()); // builds the tables outside the timing
    for (auto _ : state) {
        fft_forward(n, x.data());
        benchmark::DoNotOptimize(x.data());
        benchmark::ClobberMemory();
        // Keep the values bounded: scale back now and then.
        if (std::fabs(x[0].re) > 1e200)
            x = noiseFrame(n);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FftForward)->Arg(1024)->Arg(16384)->Arg(65536)->Unit(benchmark::kMicrosecond);

#ifdef RINGTIDE_HAVE_FFTW
void BM_FftwForward(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    fftw_complex* x = fftw_alloc_complex(static_cast<size_t>(n));
    fftw_plan plan = fftw_plan_dft_1d(n, x, x, FFTW_FORWARD, FFTW_MEASURE);
    const std::vector<Complex> init = noiseFrame(n);
    for (int i = 0; i < n; ++i) {
        x[i][0] = init[static_cast<size_t>(i)].re;
        x[i][1] = init[static_cast<size_t>(i)].im;
    }
    for (auto _ : state) {
        fftw_execute(plan);
        benchmark::DoNotOptimize(x);
        benchmark::ClobberMemory();
    }
    fftw_destroy_plan(plan);
    fftw_free(x);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FftwForward)->Arg(1024)->Arg(16384)->Arg(65536)->Unit(benchmark::kMicrosecond);
#endif

// One automatic detection as the main window runs it: window, transform and
// comb search of a 16384-sample frame of a harmonic tone.
void BM_DetectPitch16384(benchmark::State& state)
{
    const int n = 16384;
    std::vector<int16_t> samples(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        double v = 0;
        for (int h = 1; h <= 8; ++h)
            v += std::sin(2 * 3.14159265358979 * h * 196.0 * i / 44100.0 + h) / h;
        samples[static_cast<size_t>(i)] = static_cast<int16_t>(v * 8000);
    }
    std::vector<Complex> frame(static_cast<size_t>(n));
    std::vector<double> magnitudes(static_cast<size_t>(n / 2));
    for (auto _ : state) {
        samples_to_complex(n, samples.data(), frame.data());
        kaiser_window(n, frame.data(), 10);
        fft_forward(n, frame.data());
        benchmark::DoNotOptimize(detect_pitch(n, frame.data(), magnitudes.data(), 44100, 0.0));
    }
}
BENCHMARK(BM_DetectPitch16384)->Unit(benchmark::kMicrosecond);

} // namespace
