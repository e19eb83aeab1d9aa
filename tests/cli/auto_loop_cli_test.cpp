// The automatic loop (--select auto) and the loop check's junction figures,
// on sounds built here whose matching lengths are known by construction.

#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace clitest;

namespace {

constexpr int32_t kRate = 44100;

struct Sound {
    int channels = 1;
    std::vector<std::vector<double>> x; // per channel, 16-bit units
    int32_t loopFirst = -1;             // stored loop (first and last looped frame), or none
    int32_t loopLast = -1;
};

// Frames i = 0 .. frames-1 of value(channel, i), rounded to 16 bits.
Sound makeSound(int channels, int32_t frames, const std::function<double(int, int32_t)>& value)
{
    Sound s;
    s.channels = channels;
    s.x.assign(size_t(channels), std::vector<double>(size_t(frames)));
    for (int c = 0; c < channels; ++c)
        for (int32_t i = 0; i < frames; ++i)
            s.x[size_t(c)][size_t(i)] = double(std::lround(value(c, i)));
    return s;
}

std::vector<uint8_t> wavOf(const Sound& s)
{
    std::vector<uint8_t> data;
    const size_t frames = s.x[0].size();
    for (size_t i = 0; i < frames; ++i)
        for (int c = 0; c < s.channels; ++c)
            put16(data, uint32_t(int16_t(s.x[size_t(c)][i])));
    const bool loop = s.loopLast > 0;
    std::vector<uint8_t> b;
    putTag(b, "RIFF");
    put32(b, uint32_t(36 + data.size() + (loop ? 68 : 0)));
    putTag(b, "WAVE");
    putTag(b, "fmt ");
    put32(b, 16);
    put16(b, 1);
    put16(b, uint32_t(s.channels));
    put32(b, kRate);
    put32(b, uint32_t(kRate * s.channels * 2));
    put16(b, uint32_t(s.channels * 2));
    put16(b, 16);
    putTag(b, "data");
    put32(b, uint32_t(data.size()));
    b.insert(b.end(), data.begin(), data.end());
    if (loop) {
        putTag(b, "smpl");
        put32(b, 60);
        for (uint32_t v : {0u, 0u, 22676u, 60u, 0u, 0u, 0u, 1u, 0u, 0u, 0u, uint32_t(s.loopFirst), uint32_t(s.loopLast),
                           0u, 0u})
            put32(b, v);
    }
    return b;
}

// The junction mismatch of the loop (a, b) (frames a + 1 .. b) worked out
// plainly: per channel the RMS of x[b+1+k] - x[a+1+k] over the RMS of both,
// k = -r .. r-1, the worst channel.
double naiveMismatch(const Sound& s, int32_t a, int32_t b, int32_t r)
{
    double worst = 0.0;
    for (const std::vector<double>& x : s.x) {
        double diff = 0.0, level = 0.0;
        for (int32_t k = -r; k < r; ++k) {
            const double u = x[size_t(b + 1 + k)], v = x[size_t(a + 1 + k)];
            diff += (u - v) * (u - v);
            level += (u * u + v * v) / 2.0;
        }
        worst = std::max(worst, std::sqrt(diff / level));
    }
    return worst;
}

class AutoLoopCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "ringtide-autoloop-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string write(const std::string& name, const Sound& s)
    {
        writeBytes(dir + name, wavOf(s));
        return dir + name;
    }
    CliRun cli(const std::string& args) { return runCli(args, dir + "stderr.txt"); }

    std::string dir;
};

} // namespace

// Two sounds on which only some lengths join matching waves: a tone whose
// second harmonic drifts a quarter turn in phase over three seconds (the
// shorter the loop, the better it matches: lengths of half the sound and more
// drift 45 degrees or more), and a stereo tone of period 100 with a quieter
// tone of period 110 added to the left channel and taken from the right one
// (summed, the channels lose that tone; only lengths of whole periods of
// both, 1100 frames, match in each channel).
TEST_F(AutoLoopCliTest, FirstSolutionJoinsMatchingWavesInEveryChannel)
{
    const int32_t frames = 3 * kRate;
    auto sine = [](double cycles) { return std::sin(2.0 * M_PI * cycles); };
    // A few steps of noise, so that no two periods round to the same samples.
    uint32_t seed = 12345;
    auto dither = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return double(seed >> 29) - 3.5;
    };
    struct Case {
        const char* name;
        Sound sound;
        int32_t wholeLength; // lengths that match are multiples of this
    };
    const Case cases[] = {
        {"drifting.wav", makeSound(1, frames,
                                   [&](int, int32_t i) {
                                       const double drift = 0.25 * i / frames; // turns
                                       return 12000.0 * (sine(i / 100.0) + 0.5 * sine(2.0 * i / 100.0 + drift));
                                   }),
         100},
        {"stereo.wav", makeSound(2, frames,
                                 [&](int c, int32_t i) {
                                     const double a = sine(i / 100.0) + 0.3 * sine(3.0 * i / 100.0);
                                     const double b = 0.3 * sine(i / 110.0);
                                     return 12000.0 * (c == 0 ? a + b : a - b) + dither();
                                 }),
         1100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun r = cli("search " + write(c.name, c.sound) + " --select auto");
        ASSERT_EQ(r.status, 0) << r.err;
        const Json j = parseJson(lines(r.out).at(0));
        const Json& best = j["solutions"][0];
        const int32_t a = int32_t(best["start"].integer()), b = int32_t(best["end"].integer());
        const int32_t length = b - a;
        EXPECT_LE(std::fabs(length - std::round(double(length) / c.wholeLength) * c.wholeLength), 1.0)
            << "length " << length;
        // Two periods of the 441 Hz fundamental either side of the junction.
        const double m = naiveMismatch(c.sound, a, b, 200);
        EXPECT_LT(m, 0.03) << "loop " << a << ".." << b;
        EXPECT_NEAR(best["score"].number, m, 0.02) << "the score is the junction mismatch";
        EXPECT_EQ(best["check"]["verdict"].text, "clean");
        // Best first.
        for (const Json& other : j["solutions"].items)
            EXPECT_GE(other["score"].number, best["score"].number);
    }
}

// A bright tone (30 harmonics, a sawtooth's spectrum) looped over 400 whole
// periods, and the same loop ended half a period later: there the wrap joins
// the wave to its own half-period shift. The sharp reset of the sawtooth hides
// the corner from the three-sample figures, and 400.5 periods drift only
// 2.2 cents, but what the wrap changes over two periods is the whole wave:
// sqrt(2 - 2 r), r the correlation of the wave with its half-period shift.
TEST_F(AutoLoopCliTest, HalfAPeriodOffLoopOfABrightToneIsAClick)
{
    auto saw = [](int32_t i) {
        double v = 0.0;
        for (int h = 1; h <= 30; ++h)
            v += std::sin(2.0 * M_PI * h * i / 100.0) / h;
        return 9000.0 * v;
    };
    Sound sound = makeSound(1, 2 * kRate, [&](int, int32_t i) { return saw(i); });
    // A shift by half a period turns every odd harmonic round: r = sum (-1)^h a_h^2 / sum a_h^2.
    double even = 0.0, all = 0.0;
    for (int h = 1; h <= 30; ++h) {
        all += 1.0 / (h * h);
        even += (h % 2 ? -1.0 : 1.0) / (h * h);
    }
    const double expected = std::sqrt(2.0 - 2.0 * even / all);

    struct Case {
        int32_t extra;
        const char* verdict;
    };
    for (const Case& c : {Case{0, "clean"}, Case{50, "audible click"}}) {
        SCOPED_TRACE(c.extra);
        sound.loopFirst = 10000;
        sound.loopLast = 10000 + 40000 - 1 + c.extra;
        const CliRun r = cli("check " + write("saw.wav", sound));
        const Json j = parseJson(lines(r.out).at(0));
        EXPECT_EQ(j["verdict"].text, c.verdict) << r.out;
        EXPECT_NEAR(j["mismatch"].number, c.extra ? expected : 0.0, 0.02);
        EXPECT_LT(j["own_mismatch"].number, 0.02) << "a steady tone repeats itself";
        EXPECT_NEAR(j["periods"].number, 400.0 + c.extra / 100.0, 0.01);
    }
}
