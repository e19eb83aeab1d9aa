// Loading a 60-second 16-bit stereo 44.1 kHz WAV file (10.6 MB) into the
// sample buffer, against a plain fread of the same bytes. The target: the load
// costs no more than twice the fread. The file is written to /tmp once per run.
//
// A load does three things: read the file into memory (as the fread does),
// size the document's sample arrays (the working loop arrays are sized later,
// when first built) and decode. BM_ReadParseDecodeOnly shows the reader's
// share into arrays that already exist.

#include "bench_files.h"
#include "document/SampleBuffer.h"
#include "document/load_sound.h"
#include "document/wav_reader.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string& benchFile()
{
    static const std::string path = [] {
        const std::string p = "/tmp/ringtide_wav_reader_bench.wav";
        const uint32_t rate = 44100, frames = 60 * rate, dataSize = frames * 4;
        std::vector<uint8_t> b;
        b.reserve(44 + dataSize);
        auto put = [&b](uint32_t v, int n) {
            for (int i = 0; i < n; ++i)
                b.push_back(static_cast<uint8_t>(v >> (8 * i)));
        };
        auto tag = [&b](const char* t) { b.insert(b.end(), t, t + 4); };
        tag("RIFF"); put(36 + dataSize, 4); tag("WAVE");
        tag("fmt "); put(16, 4); put(1, 2); put(2, 2); put(rate, 4); put(rate * 4, 4); put(4, 2); put(16, 2);
        tag("data"); put(dataSize, 4);
        uint32_t x = 12345;
        for (uint32_t i = 0; i < frames * 2; ++i) {
            x = x * 1664525u + 1013904223u;
            put(x >> 16, 2);
        }
        writeBenchFile(p, b);
        return p;
    }();
    return path;
}

void BM_FreadWholeFile(benchmark::State& state)
{
    const std::string& path = benchFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(freadFile(path));
}
BENCHMARK(BM_FreadWholeFile)->Unit(benchmark::kMillisecond);

// Reloading into a document that already holds a sound of this size, as a
// save with "cut after loop" or a second open does.
void BM_LoadSoundFileReusingArrays(benchmark::State& state)
{
    const std::string& path = benchFile();
    SampleBuffer doc;
    doc.fileTitle = "bench";
    for (auto _ : state) {
        const LoadOutcome out = loadSoundFile(doc, path);
        if (!out.loaded)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc.samples[1].data());
    }
}
BENCHMARK(BM_LoadSoundFileReusingArrays)->Unit(benchmark::kMillisecond);

// A first load: every array is new.
void BM_LoadSoundFileFresh(benchmark::State& state)
{
    const std::string& path = benchFile();
    for (auto _ : state) {
        SampleBuffer doc;
        doc.fileTitle = "bench";
        if (!loadSoundFile(doc, path).loaded)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc.samples[1].data());
    }
}
BENCHMARK(BM_LoadSoundFileFresh)->Unit(benchmark::kMillisecond);

// The reader's own share: read, parse and decode into arrays that already
// exist.
void BM_ReadParseDecodeOnly(benchmark::State& state)
{
    const std::string& path = benchFile();
    std::vector<uint8_t> bytes;
    std::vector<int16_t> left, right;
    for (auto _ : state) {
        if (!readFileBytes(path, bytes))
            state.SkipWithError("read failed");
        const WaveReadResult r = readWaveFile(bytes.data(), bytes.size());
        left.resize(r.info.frames);
        right.resize(r.info.frames);
        decodeWaveFrames(bytes.data(), r.info, left.data(), right.data());
        benchmark::DoNotOptimize(right.data());
    }
}
BENCHMARK(BM_ReadParseDecodeOnly)->Unit(benchmark::kMillisecond);

// Both, interleaved, with the ratio load / fread as a counter.
void BM_LoadToFreadRatio(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const std::string& path = benchFile();
    SampleBuffer doc;
    doc.fileTitle = "bench";
    double freadSeconds = 0, loadSeconds = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(freadFile(path));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(loadSoundFile(doc, path).loaded);
        const auto t2 = Clock::now();
        freadSeconds += std::chrono::duration<double>(t1 - t0).count();
        loadSeconds += std::chrono::duration<double>(t2 - t1).count();
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["fread_ms"] = 1000 * freadSeconds / n;
    state.counters["load_ms"] = 1000 * loadSeconds / n;
    state.counters["ratio"] = freadSeconds > 0 ? loadSeconds / freadSeconds : 0;
}
BENCHMARK(BM_LoadToFreadRatio)->Unit(benchmark::kMillisecond);

} // namespace
