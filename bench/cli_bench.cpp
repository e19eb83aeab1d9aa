// The command-line tool on a batch: `ringtide-cli loop` over 50 synthesised
// 3-second stereo tones (44.1 kHz, 16 bits) with one and with two files at
// once, searching the whole sound (--select 0:100%) and the sustain the tool
// finds (--select auto, the default); `ringtide-cli check` over the 50 looped
// results; `ringtide-cli convert --rate 48000` over the corpus; each
// reported as files per second. And the accuracy of the search
// on the same corpus: how far the best forward loop's length lies from a
// whole number of the tone's known period.
//
// The tool is found beside the benchmark's build folder (../ringtide-cli from
// this executable) or at $RINGTIDE_CLI. It runs in a child process, so the
// times are wall-clock.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kFiles = 50;
constexpr int kRate = 44100;
constexpr int kFrames = 3 * kRate;

struct Corpus {
    std::string folder;
    std::vector<std::string> files;
    std::vector<double> periods; // samples per period of each tone
};

void put16(std::string& b, uint32_t v)
{
    b += char(v & 0xFF);
    b += char((v >> 8) & 0xFF);
}
void put32(std::string& b, uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// Tone i: period 401 .. 40 samples (110 .. 1100 Hz),
// 8 harmonics of varied weights, the right channel a little later than the
// left, and a faint deterministic noise so that no loop is perfect.
std::string toneFile(int i, double period)
{
    std::string b = "RIFF";
    const uint32_t dataBytes = kFrames * 4;
    put32(b, 36 + dataBytes);
    b += "WAVEfmt ";
    put32(b, 16);
    put16(b, 1);
    put16(b, 2);
    put32(b, kRate);
    put32(b, kRate * 4);
    put16(b, 4);
    put16(b, 16);
    b += "data";
    put32(b, dataBytes);
    uint32_t noise = 12345u + uint32_t(i);
    double weights[8];
    for (int h = 0; h < 8; ++h)
        weights[h] = (1.0 + 0.5 * std::sin(i * 1.7 + h)) / (h + 1);
    for (int n = 0; n < kFrames; ++n) {
        for (int c = 0; c < 2; ++c) {
            const double x = 2.0 * M_PI * (n + c * 3.0) / period;
            double v = 0.0;
            for (int h = 0; h < 8; ++h)
                v += weights[h] * std::sin((h + 1) * x);
            noise = noise * 1664525u + 1013904223u;
            const double dither = (double(noise >> 8) / double(1u << 24) - 0.5) * 20.0;
            put16(b, uint32_t(int16_t(std::lround(7000.0 * v + dither))));
        }
    }
    return b;
}

const Corpus& corpus()
{
    static Corpus c = [] {
        Corpus k;
        k.folder = (fs::temp_directory_path() / ("ringtide-cli-bench-" + std::to_string(::getpid()))).string();
        fs::create_directories(k.folder);
        for (int i = 0; i < kFiles; ++i) {
            // 110 Hz to 1100 Hz in equal steps of pitch: periods that are no
            // simple fraction, so whole periods rarely land on whole samples.
            const double period = kRate / (110.0 * std::pow(10.0, i / double(kFiles - 1)));
            const std::string path = k.folder + "/tone" + std::to_string(i) + ".wav";
            std::ofstream(path, std::ios::binary) << toneFile(i, period);
            k.files.push_back(path);
            k.periods.push_back(period);
        }
        std::atexit([] { fs::remove_all(corpus().folder); });
        return k;
    }();
    return c;
}

std::string cliPath()
{
    if (const char* env = std::getenv("RINGTIDE_CLI"))
        return env;
    return (fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "ringtide-cli").string();
}

// Runs a command; its stdout comes back, its exit status in `status`.
std::string run(const std::string& command, int& status)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        status = -1;
        return out;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int raw = pclose(pipe);
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return out;
}

// The integer after `"key":` at or after `from`; -1 when absent.
long long fieldAfter(const std::string& json, const std::string& key, size_t from = 0)
{
    const size_t at = json.find("\"" + key + "\":", from);
    if (at == std::string::npos)
        return -1;
    return std::atoll(json.c_str() + at + key.size() + 3);
}

void BM_CliLoopBatch(benchmark::State& state)
{
    const std::string cli = cliPath();
    if (!fs::exists(cli)) {
        state.SkipWithError(("ringtide-cli not found at " + cli + "; set RINGTIDE_CLI").c_str());
        return;
    }
    const Corpus& c = corpus();
    std::string command = cli + " loop";
    for (const std::string& f : c.files)
        command += " " + f;
    const std::string out = c.folder + "/out";
    command += " -o " + out + " -j " + std::to_string(state.range(0)) + " --crossfade 5 --select " +
               (state.range(1) ? "auto" : "0:100%") + " 2>/dev/null";
    for (auto _ : state) {
        int status = 0;
        const std::string lines = run(command, status);
        if (status != 0) {
            state.SkipWithError("ringtide-cli loop failed");
            return;
        }
        benchmark::DoNotOptimize(lines.size());
    }
    state.counters["files/s"] = benchmark::Counter(double(kFiles), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CliLoopBatch)
    ->ArgNames({"jobs", "auto"})
    ->Args({1, 0})
    ->Args({2, 0})
    ->Args({1, 1})
    ->Args({2, 1})
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// `convert --rate 48000` of the corpus (44.1 kHz to 48 kHz, 16 bits kept):
// load, the resampler on both channels and the save of each file.
void BM_CliConvertBatch(benchmark::State& state)
{
    const std::string cli = cliPath();
    if (!fs::exists(cli)) {
        state.SkipWithError(("ringtide-cli not found at " + cli + "; set RINGTIDE_CLI").c_str());
        return;
    }
    const Corpus& c = corpus();
    std::string command = cli + " convert";
    for (const std::string& f : c.files)
        command += " " + f;
    command += " --rate 48000 -o " + c.folder + "/converted -j " + std::to_string(state.range(0)) + " 2>/dev/null";
    for (auto _ : state) {
        int status = 0;
        const std::string lines = run(command, status);
        if (status != 0) {
            state.SkipWithError("ringtide-cli convert failed");
            return;
        }
        benchmark::DoNotOptimize(lines.size());
    }
    state.counters["files/s"] = benchmark::Counter(double(kFiles), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_CliConvertBatch)->ArgName("jobs")->Arg(1)->Arg(2)->Iterations(3)->UseRealTime()->Unit(benchmark::kSecond);

// `check` over the corpus looped once beforehand (sustain selection, 5 ms
// crossfade): load, pitch detection and the loop check of each file.
void BM_CliCheckBatch(benchmark::State& state)
{
    const std::string cli = cliPath();
    if (!fs::exists(cli)) {
        state.SkipWithError(("ringtide-cli not found at " + cli + "; set RINGTIDE_CLI").c_str());
        return;
    }
    const Corpus& c = corpus();
    const std::string looped = c.folder + "/checked";
    std::string loop = cli + " loop", check = cli + " check";
    for (const std::string& f : c.files) {
        loop += " " + f;
        check += " " + looped + "/" + fs::path(f).filename().string();
    }
    int status = 0;
    run(loop + " -o " + looped + " --crossfade 5 2>/dev/null", status);
    if (status != 0) {
        state.SkipWithError("ringtide-cli loop failed");
        return;
    }
    check += " -j " + std::to_string(state.range(0)) + " 2>/dev/null";
    size_t clean = 0;
    for (auto _ : state) {
        const std::string lines = run(check, status);
        if (status > 1) {
            state.SkipWithError("ringtide-cli check failed");
            return;
        }
        clean = 0;
        for (size_t at = lines.find("\"verdict\":\"clean\""); at != std::string::npos;
             at = lines.find("\"verdict\":\"clean\"", at + 1))
            ++clean;
    }
    state.counters["files/s"] = benchmark::Counter(double(kFiles), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["clean"] = double(clean);
}
BENCHMARK(BM_CliCheckBatch)->ArgName("jobs")->Arg(1)->Arg(2)->Iterations(2)->UseRealTime()->Unit(benchmark::kSecond);

// One pass over the corpus with `search` (the tool's defaults: the sustain it
// finds, 50..100 %, forward). Counters: share of files whose best loop is
// within 1 sample of a whole number of periods, the mean and the largest
// distance in samples.
void BM_CliSearchAccuracy(benchmark::State& state)
{
    const std::string cli = cliPath();
    if (!fs::exists(cli)) {
        state.SkipWithError(("ringtide-cli not found at " + cli + "; set RINGTIDE_CLI").c_str());
        return;
    }
    const Corpus& c = corpus();
    int within = 0, found = 0;
    double sum = 0.0, worst = 0.0;
    for (auto _ : state) {
        within = found = 0;
        sum = worst = 0.0;
        for (size_t i = 0; i < c.files.size(); ++i) {
            int status = 0;
            const std::string json = run(cli + " search " + c.files[i] + " 2>/dev/null", status);
            const size_t list = json.find("\"solutions\":[{");
            if (status != 0 || list == std::string::npos)
                continue;
            const double length = double(fieldAfter(json, "length", list));
            const double p = c.periods[i];
            const double off = std::fabs(length - std::round(length / p) * p);
            ++found;
            within += off <= 1.0 ? 1 : 0;
            sum += off;
            worst = std::max(worst, off);
        }
    }
    state.counters["found"] = found;
    state.counters["within_1_sample"] = found ? double(within) / found : 0.0;
    state.counters["mean_off"] = found ? sum / found : 0.0;
    state.counters["max_off"] = worst;
}
BENCHMARK(BM_CliSearchAccuracy)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace
