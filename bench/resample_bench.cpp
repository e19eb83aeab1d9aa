// Speed of resampleSound on 10 s of stereo, 44100 -> 48000 and back, against
// libsoxr's "very high quality" on the same job, with each one's stop-band
// rejection measured on a tone the conversion must remove:
// - down 48000 -> 44100: a 23 kHz tone lies above the new Nyquist frequency,
//   so all that comes out is its alias; rejection = input level / output level.
// - up 44100 -> 48000: a 21 kHz tone leaves an image at 44100 - 21000 =
//   23.1 kHz; rejection = level at 21 kHz / level at 23.1 kHz.
// Levels are least-squares sinusoid fits over the middle of the output.

#include "document/SampleBuffer.h"
#include "processing/resample.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#ifdef RINGTIDE_HAVE_SOXR
#include <soxr.h>
#endif

namespace {

constexpr int kSeconds = 10;

std::vector<int16_t> tone(double hz, int rate, int frames, double phase = 0.0)
{
    std::vector<int16_t> s(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        s[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(16000.0 * std::sin(2 * M_PI * hz * i / rate + phase)));
    return s;
}

SampleBuffer stereoDocument(int rate, double hz)
{
    SampleBuffer doc;
    const int frames = rate * kSeconds;
    doc.allocate(2, frames);
    doc.sampleCount = frames;
    doc.sampleRate = rate;
    doc.channels = 2;
    doc.bitsPerSample = 16;
    doc.samples[0] = tone(hz, rate, frames);
    doc.samples[1] = tone(hz, rate, frames, 1.0);
    return doc;
}

// Amplitude of the best-fitting sinusoid of `hz` over the middle half.
double amplitudeAt(const int16_t* s, int frames, double hz, int rate)
{
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (int i = frames / 4; i < 3 * frames / 4; ++i) {
        const double a = std::sin(2 * M_PI * hz * i / rate), b = std::cos(2 * M_PI * hz * i / rate);
        ss += a * a, cc += b * b, sc += a * b, ys += s[i] * a, yc += s[i] * b;
    }
    const double det = ss * cc - sc * sc;
    return std::hypot((ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det);
}

double rms(const int16_t* s, int frames)
{
    double e = 0;
    for (int i = frames / 4; i < 3 * frames / 4; ++i)
        e += double(s[i]) * s[i];
    return std::sqrt(e / (frames / 2)) + 1e-12;
}

// The stop-band tone of each direction and the rejection of an output of it.
double stopToneHz(int fromRate)
{
    return fromRate == 48000 ? 23000.0 : 21000.0;
}
double rejectionDb(int fromRate, int toRate, const int16_t* in, int inFrames, const int16_t* out, int outFrames)
{
    if (fromRate > toRate)
        return 20 * std::log10(rms(in, inFrames) / rms(out, outFrames));
    const double hz = stopToneHz(fromRate);
    return 20 * std::log10(amplitudeAt(out, outFrames, hz, toRate) /
                           (amplitudeAt(out, outFrames, fromRate - hz, toRate) + 1e-12));
}

void BM_ResampleSound(benchmark::State& state)
{
    const int from = static_cast<int>(state.range(0));
    const int to = static_cast<int>(state.range(1));
    const SampleBuffer original = stereoDocument(from, stopToneHz(from));
    SampleBuffer doc;
    for (auto _ : state) {
        state.PauseTiming();
        doc = original;
        state.ResumeTiming();
        resampleSound(doc, from, to);
        benchmark::DoNotOptimize(doc.samples[0].data());
    }
    state.counters["stopband_dB"] = rejectionDb(from, to, original.samples[0].data(), original.sampleCount,
                                                doc.samples[0].data(), doc.sampleCount);
}
BENCHMARK(BM_ResampleSound)->Args({44100, 48000})->Args({48000, 44100})->Unit(benchmark::kMillisecond);

#ifdef RINGTIDE_HAVE_SOXR
void BM_SoxrVeryHigh(benchmark::State& state)
{
    const int from = static_cast<int>(state.range(0));
    const int to = static_cast<int>(state.range(1));
    const SampleBuffer original = stereoDocument(from, stopToneHz(from));
    const size_t outFrames = static_cast<size_t>(to) * kSeconds;
    std::vector<int16_t> out[2] = {std::vector<int16_t>(outFrames), std::vector<int16_t>(outFrames)};
    const void* in[2] = {original.samples[0].data(), original.samples[1].data()};
    void* outs[2] = {out[0].data(), out[1].data()};
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_S, SOXR_INT16_S);
    io.flags |= SOXR_NO_DITHER; // like ours: plain rounding to 16 bits
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    size_t done = 0;
    for (auto _ : state) {
        const soxr_error_t error = soxr_oneshot(from, to, 2, in, static_cast<size_t>(original.sampleCount), nullptr,
                                                outs, outFrames, &done, &io, &quality, nullptr);
        if (error) {
            state.SkipWithError(error);
            break;
        }
        benchmark::DoNotOptimize(out[0].data());
    }
    state.counters["stopband_dB"] = rejectionDb(from, to, original.samples[0].data(), original.sampleCount,
                                                out[0].data(), static_cast<int>(done));
}
BENCHMARK(BM_SoxrVeryHigh)->Args({44100, 48000})->Args({48000, 44100})->Unit(benchmark::kMillisecond);
#endif

} // namespace
