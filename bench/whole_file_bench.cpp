// Load and save of a sampler library's file kept whole: 60 s of 24-bit stereo
// at 48 kHz (17.3 MB of frames) with 1 MB of other chunks (LIST/INFO, bext, a
// large iXML) and a smpl chunk with three loops and a cue chunk with labels,
// against bare fread / fwrite of the same bytes. The target: load and save
// each cost no more than twice the bare copy. A save is atomic (temporary
// file, fsync, rename), so the write yardstick is given with and without the
// fsync. Each ratio benchmark times both, interleaved, and reports the ratio.

#include "bench_files.h"
#include "document/SampleBuffer.h"
#include "document/load_sound.h"
#include "document/save_document.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void put(std::vector<uint8_t>& b, uint32_t v, int n)
{
    for (int i = 0; i < n; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void tag(std::vector<uint8_t>& b, const char* t) { b.insert(b.end(), t, t + 4); }
void chunk(std::vector<uint8_t>& b, const char* id, const std::vector<uint8_t>& body)
{
    tag(b, id);
    put(b, static_cast<uint32_t>(body.size()), 4);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1)
        b.push_back(0);
}

const std::vector<uint8_t>& fileBytes()
{
    static const std::vector<uint8_t> bytes = [] {
        const uint32_t rate = 48000, frames = 60 * rate;
        std::vector<uint8_t> b;
        b.reserve(size_t(frames) * 6 + (1u << 20) + 4096);
        tag(b, "RIFF");
        put(b, 0, 4);
        tag(b, "WAVE");
        std::vector<uint8_t> fmt;
        put(fmt, 0xFFFE, 2); put(fmt, 2, 2); put(fmt, rate, 4); put(fmt, rate * 6, 4); put(fmt, 6, 2); put(fmt, 24, 2);
        put(fmt, 22, 2); put(fmt, 24, 2); put(fmt, 3, 4); put(fmt, 1, 2);
        for (uint8_t g : {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
            fmt.push_back(g);
        chunk(b, "fmt ", fmt);
        chunk(b, "LIST", std::vector<uint8_t>{'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 4, 0, 0, 0, 'O', 'r', 'g', 0});
        chunk(b, "bext", std::vector<uint8_t>(602, 'b'));
        chunk(b, "iXML", std::vector<uint8_t>((1u << 20) - 1024, 'x'));
        tag(b, "data");
        put(b, frames * 6, 4);
        uint32_t x = 12345;
        for (uint32_t i = 0; i < frames * 2; ++i) {
            x = x * 1664525u + 1013904223u;
            put(b, x >> 8, 3);
        }
        std::vector<uint8_t> cue;
        put(cue, 2, 4);
        for (uint32_t id : {1u, 2u}) {
            put(cue, id, 4); put(cue, id, 4); tag(cue, "data"); put(cue, 0, 4); put(cue, 0, 4); put(cue, id * 100000, 4);
        }
        chunk(b, "cue ", cue);
        std::vector<uint8_t> smpl;
        for (uint32_t v : {0u, 0u, 20833u, 60u, 0u, 0u, 0u, 3u, 0u})
            put(smpl, v, 4);
        for (uint32_t i = 0; i < 3; ++i)
            for (uint32_t v : {0u, i, 500000 + i * 600000, 1000000 + i * 600000, 0u, 0u})
                put(smpl, v, 4);
        chunk(b, "smpl", smpl);
        const uint32_t riff = static_cast<uint32_t>(b.size() - 8);
        for (int i = 0; i < 4; ++i)
            b[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
        return b;
    }();
    return bytes;
}

const std::string& benchFile()
{
    static const std::string path = [] {
        const std::string p = "/tmp/ringtide_whole_file_bench.wav";
        writeBenchFile(p, fileBytes());
        return p;
    }();
    return path;
}

bool fwriteFile(const std::string& path, const std::vector<uint8_t>& bytes, bool sync)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    if (sync)
        ok = ::fsync(::fileno(f)) == 0 && ok;
    return std::fclose(f) == 0 && ok;
}

void loadDocument(SampleBuffer& doc)
{
    doc.fileTitle = "bench";
    if (!loadSoundFile(doc, benchFile()).loaded)
        std::abort();
    doc.filePath = "/tmp/ringtide_whole_file_bench_saved.wav";
    doc.tuneSampleRate = 0;
    doc.cutAfterLoop = 0;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void BM_WholeFileLoadToFread(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    const std::string& path = benchFile();
    double bare = 0, ours = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(freadFile(path));
        const auto t1 = Clock::now();
        SampleBuffer doc;
        doc.fileTitle = "bench";
        benchmark::DoNotOptimize(loadSoundFile(doc, path).loaded);
        const auto t2 = Clock::now();
        bare += seconds(t1 - t0);
        ours += seconds(t2 - t1);
    }
    state.counters["fread_ms"] = 1000 * bare / state.iterations();
    state.counters["load_ms"] = 1000 * ours / state.iterations();
    state.counters["ratio"] = ours / bare;
}
BENCHMARK(BM_WholeFileLoadToFread)->Unit(benchmark::kMillisecond)->Iterations(30);

// The save with the file's first loop selected (crossfade 0: the frames are
// written as they are), every other chunk and mark written back.
void BM_WholeFileSaveToFwrite(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    SampleBuffer doc;
    loadDocument(doc);
    const std::string bareCopy = "/tmp/ringtide_whole_file_bench_fwrite.wav";
    const bool sync = state.range(0) != 0;
    double bare = 0, ours = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        benchmark::DoNotOptimize(fwriteFile(bareCopy, fileBytes(), sync));
        const auto t1 = Clock::now();
        benchmark::DoNotOptimize(saveDocument(doc, SaveSettings{}).saved);
        const auto t2 = Clock::now();
        bare += seconds(t1 - t0);
        ours += seconds(t2 - t1);
    }
    std::remove(bareCopy.c_str());
    std::remove(doc.filePath.c_str());
    state.counters["fwrite_ms"] = 1000 * bare / state.iterations();
    state.counters["save_ms"] = 1000 * ours / state.iterations();
    state.counters["ratio"] = ours / bare;
}
BENCHMARK(BM_WholeFileSaveToFwrite)->Arg(0)->Arg(1)->ArgName("fsync")->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace
