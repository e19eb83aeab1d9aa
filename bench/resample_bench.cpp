// Speed of resampleSound on 10 s of stereo against libsoxr's "very high
// quality" on the same job, with each one's stop-band rejection measured on
// tones the conversion must remove:
// - going down, a tone above the new Nyquist frequency comes out only as its
//   alias at toRate - tone: rejection = input level / alias level;
// - going up, a tone leaves an image at fromRate - tone above the old Nyquist
//   frequency: rejection = input level / level of the image.
// "edge_dB" takes the tone 50 Hz past the lower Nyquist frequency (where the
// stop band begins), "deep_dB" a tone well inside it (48000 -> 44100: 23 kHz;
// 44100 -> 48000: 21 kHz; 44100 -> 22050: 13 kHz; 22050 -> 44100: 10.5 kHz,
// the image of pitch shift -12 at 11.55 kHz). Levels are least-squares
// sinusoid fits over the middle of the output, at the frequency that comes
// out, so 16-bit rounding does not set a floor (a figure near 300 dB means
// nothing came out at all).

#include "document/SampleBuffer.h"
#include "processing/resample.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <utility>
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
    return std::hypot((ys * cc - yc * sc) / det, (yc * ss - ys * sc) / det) + 1e-12;
}

double edgeToneHz(int fromRate, int toRate)
{
    return fromRate > toRate ? toRate / 2 + 50.0 : fromRate / 2 - 50.0;
}
double deepToneHz(int fromRate, int toRate)
{
    if (fromRate > toRate)
        return fromRate == 48000 ? 23000.0 : 13000.0;
    return fromRate == 44100 ? 21000.0 : 10500.0;
}

double rejectionDb(int fromRate, int toRate, double hz, const int16_t* in, int inFrames, const int16_t* out,
                   int outFrames)
{
    if (fromRate > toRate)
        return 20 * std::log10(amplitudeAt(in, inFrames, hz, fromRate) /
                               amplitudeAt(out, outFrames, toRate - hz, toRate));
    return 20 * std::log10(amplitudeAt(in, inFrames, hz, fromRate) /
                           amplitudeAt(out, outFrames, fromRate - hz, toRate));
}

// One conversion of a stereo document: output frames into out[0], out[1].
using Converter = int (*)(const SampleBuffer& in, int toRate, std::vector<int16_t> out[2]);

int convertOurs(const SampleBuffer& in, int toRate, std::vector<int16_t> out[2])
{
    SampleBuffer doc = in;
    resampleSound(doc, in.sampleRate, toRate);
    for (int c = 0; c < 2; ++c)
        out[c] = doc.samples[c];
    return doc.sampleCount;
}

void reportRejection(benchmark::State& state, Converter convert, int from, int to)
{
    std::vector<int16_t> out[2];
    for (const auto& [name, hz] : {std::pair{"edge_dB", edgeToneHz(from, to)}, std::pair{"deep_dB", deepToneHz(from, to)}}) {
        const SampleBuffer doc = stereoDocument(from, hz);
        const int frames = convert(doc, to, out);
        state.counters[name] =
            rejectionDb(from, to, hz, doc.samples[0].data(), doc.sampleCount, out[0].data(), frames);
    }
}

void BM_ResampleSound(benchmark::State& state)
{
    const int from = static_cast<int>(state.range(0));
    const int to = static_cast<int>(state.range(1));
    const SampleBuffer original = stereoDocument(from, edgeToneHz(from, to));
    SampleBuffer doc;
    for (auto _ : state) {
        state.PauseTiming();
        doc = original;
        state.ResumeTiming();
        resampleSound(doc, from, to);
        benchmark::DoNotOptimize(doc.samples[0].data());
    }
    reportRejection(state, convertOurs, from, to);
}
BENCHMARK(BM_ResampleSound)
    ->Args({44100, 48000})
    ->Args({48000, 44100})
    ->Args({44100, 22050})
    ->Args({22050, 44100})
    ->Unit(benchmark::kMillisecond);

#ifdef RINGTIDE_HAVE_SOXR
// soxr_oneshot over both channels; the output has as many frames as ours.
int convertSoxr(const SampleBuffer& in, int toRate, std::vector<int16_t> out[2])
{
    const size_t outFrames = static_cast<size_t>(resampledFrameCount(in.sampleCount, in.sampleRate, toRate));
    for (int c = 0; c < 2; ++c)
        if (out[c].size() != outFrames) // allocated once, outside the timed runs
            out[c].assign(outFrames, 0);
    const void* ins[2] = {in.samples[0].data(), in.samples[1].data()};
    void* outs[2] = {out[0].data(), out[1].data()};
    soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_S, SOXR_INT16_S); // split: one array per channel
    io.flags |= SOXR_NO_DITHER; // like ours: plain rounding to 16 bits
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
    size_t done = 0;
    const soxr_error_t error = soxr_oneshot(in.sampleRate, toRate, 2, ins, static_cast<size_t>(in.sampleCount),
                                            nullptr, outs, outFrames, &done, &io, &quality, nullptr);
    return error ? -1 : static_cast<int>(done);
}

void BM_SoxrVeryHigh(benchmark::State& state)
{
    const int from = static_cast<int>(state.range(0));
    const int to = static_cast<int>(state.range(1));
    const SampleBuffer original = stereoDocument(from, edgeToneHz(from, to));
    std::vector<int16_t> out[2];
    for (auto _ : state) {
        if (convertSoxr(original, to, out) < 0) {
            state.SkipWithError("soxr failed");
            break;
        }
        benchmark::DoNotOptimize(out[0].data());
    }
    reportRejection(state, convertSoxr, from, to);
}
BENCHMARK(BM_SoxrVeryHigh)
    ->Args({44100, 48000})
    ->Args({48000, 44100})
    ->Args({44100, 22050})
    ->Args({22050, 44100})
    ->Unit(benchmark::kMillisecond);
#endif

} // namespace
