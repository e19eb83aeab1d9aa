// Loading a 60-second stereo 44.1 kHz file at 24 bits (15.9 MB) and as 32-bit
// float (21.2 MB), each against a plain fread of the same bytes (target: the
// load costs no more than twice the fread). The load keeps the file's own
// samples beside the 16-bit image; the counter "MB_10min" is the memory a
// loaded 10-minute sound holds (the 60-second one's arrays, times ten).

#include "document/SampleBuffer.h"
#include "document/load_sound.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const std::string& benchFile(bool isFloat)
{
    static std::string paths[2];
    std::string& p = paths[isFloat ? 1 : 0];
    if (!p.empty())
        return p;
    p = isFloat ? "/tmp/ringtide_hires_bench_float.wav" : "/tmp/ringtide_hires_bench_24.wav";
    const uint32_t rate = 44100, frames = 60 * rate, bytesPer = isFloat ? 4 : 3;
    const uint32_t dataSize = frames * 2 * bytesPer;
    std::vector<uint8_t> b;
    b.reserve(44 + dataSize);
    auto put = [&b](uint32_t v, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i)
            b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto tag = [&b](const char* t) { b.insert(b.end(), t, t + 4); };
    tag("RIFF"); put(36 + dataSize, 4); tag("WAVE");
    tag("fmt "); put(16, 4); put(isFloat ? 3 : 1, 2); put(2, 2); put(rate, 4); put(rate * 2 * bytesPer, 4);
    put(2 * bytesPer, 2); put(8 * bytesPer, 2);
    tag("data"); put(dataSize, 4);
    uint32_t x = 12345;
    for (uint32_t i = 0; i < frames * 2; ++i) {
        x = x * 1664525u + 1013904223u;
        if (isFloat) {
            const float f = static_cast<float>(static_cast<int32_t>(x) / 2147483648.0);
            uint32_t u;
            std::memcpy(&u, &f, 4);
            put(u, 4);
        } else {
            put(x >> 8, 3);
        }
    }
    std::FILE* f = std::fopen(p.c_str(), "wb");
    if (f) {
        std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
    }
    return p;
}

void BM_FreadHiRes(benchmark::State& state)
{
    const std::string& path = benchFile(state.range(0) != 0);
    for (auto _ : state) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        std::fseek(f, 0, SEEK_END);
        std::vector<uint8_t> bytes(static_cast<size_t>(std::ftell(f)));
        std::fseek(f, 0, SEEK_SET);
        benchmark::DoNotOptimize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
        benchmark::DoNotOptimize(bytes.data());
    }
}
BENCHMARK(BM_FreadHiRes)->Arg(0)->Arg(1)->ArgNames({"float"})->Unit(benchmark::kMillisecond);

void BM_LoadHiRes(benchmark::State& state)
{
    const std::string& path = benchFile(state.range(0) != 0);
    double bytes = 0;
    for (auto _ : state) {
        SampleBuffer doc;
        doc.fileTitle = "bench";
        if (!loadSoundFile(doc, path).loaded)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(doc.samples[1].data());
        bytes = double(doc.samples[0].capacity() + doc.samples[1].capacity()) * 2 +
                (doc.fullRes.present() ? double(doc.fullRes.frames->capacity()) : 0.0);
    }
    state.counters["MB_10min"] = bytes * 10 / 1e6;
}
BENCHMARK(BM_LoadHiRes)->Arg(0)->Arg(1)->ArgNames({"float"})->Unit(benchmark::kMillisecond);

} // namespace
