// Harmonic profiles against the tones they were made from: a known vibrato,
// a known decay, a steady tone resynthesised; the frame-count rule and the
// sounds that compute nothing; and two runs started back to back, which must
// never share arrays (./test runs the ProfileWorker tests under
// ThreadSanitizer).

#include "dsp/harmonic_profiles.h"
#include "dsp/profile_worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;

double cents(double hz) { return 1200.0 * std::log2(hz / 440.0) + 5700.0; }

// A harmonic series whose fundamental follows fundamentalAt(t) (the phase is
// its running sum) and whose harmonic n has the linear level levelOf(n, t);
// harmonics at or above Nyquist are left out. Scaled to `peak`, or with
// peak 0 taken as fractions of full scale.
template <class Frequency, class Level>
std::vector<int16_t> tone(int frames, int harmonics, Frequency fundamentalAt, Level levelOf, double peak = 20000.0)
{
    std::vector<double> x(static_cast<size_t>(frames), 0.0);
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double t = i / static_cast<double>(kRate);
        const double f = fundamentalAt(t);
        for (int n = 1; n <= harmonics && n * f < kRate / 2.0; ++n)
            x[i] += levelOf(n, t) * std::sin(n * phase);
        phase += 2 * kPi * f / kRate;
    }
    double top = 1.0;
    if (peak > 0.0) {
        top = 0.0;
        for (double v : x)
            top = std::max(top, std::abs(v));
    } else {
        peak = 32767.0;
    }
    std::vector<int16_t> out(x.size());
    for (size_t i = 0; i < x.size(); ++i)
        out[i] = static_cast<int16_t>(std::lround(x[i] * peak / top));
    return out;
}

ProfileSource monoSource(const std::vector<int16_t>& s, double pitchHz)
{
    ProfileSource src;
    src.samples[0] = s.data();
    src.channels = 1;
    src.sampleCount = static_cast<int32_t>(s.size());
    src.sampleRate = kRate;
    src.pitchHz = pitchHz;
    return src;
}

ProfileOutcome compute(const ProfileSource& src, HarmonicProfiles& out, int frameSize = 2048, int overlap = 50)
{
    std::atomic<bool> stop{false};
    ProfileSettings settings;
    settings.frameSize = frameSize;
    settings.overlapPercent = static_cast<int16_t>(overlap);
    return compute_harmonic_profiles(src, settings, out, stop);
}

double frameCentreSeconds(const HarmonicProfiles& p, int j)
{
    return (static_cast<double>(j) * p.hop + p.frameSize / 2.0) / kRate;
}

} // namespace

// Default settings, a 220 Hz tone whose pitch swings +/-20 cents once a
// second: each frame's deviation from the mean is the true one at the
// frame's centre (also measured from its mean) within 3 cents.
TEST(HarmonicProfiles, FundamentalFollowsAKnownVibrato)
{
    auto f = [](double t) { return 220.0 * std::pow(2.0, 20.0 * std::sin(2 * kPi * t) / 1200.0); };
    const auto s = tone(3 * kRate, 32, f, [](int n, double) { return 1.0 / n; });
    HarmonicProfiles p;
    ASSERT_EQ(compute(monoSource(s, 220.0), p), ProfileOutcome::Computed);
    ASSERT_EQ(p.frameSize, 2048);
    ASSERT_EQ(p.hop, 1024);
    std::vector<double> truth(static_cast<size_t>(p.frames));
    double mean = 0.0;
    for (int j = 0; j < p.frames; ++j) {
        truth[j] = cents(f(frameCentreSeconds(p, j)));
        mean += truth[j] / p.frames;
    }
    for (int j = 0; j < p.frames; ++j)
        EXPECT_NEAR(p.frequency[0][0][j], truth[j] - mean, 3.0) << "frame " << j;
    // The swing itself is seen: the largest deviation is close to 20 cents.
    EXPECT_NEAR(p.maxDeviation[0], 20.0, 3.0);
}

// The third harmonic falls by 12 dB a second while the others hold: its
// profile falls by the same amount from frame to frame, within 1 dB.
TEST(HarmonicProfiles, ThirdHarmonicShowsItsDecay)
{
    constexpr double kSlopeDbPerSecond = -12.0;
    auto level = [&](int n, double t) {
        return n == 3 ? 0.5 * std::pow(10.0, kSlopeDbPerSecond * t / 20.0) : 1.0 / n;
    };
    const auto s = tone(3 * kRate, 8, [](double) { return 300.0; }, level);
    HarmonicProfiles p;
    ASSERT_EQ(compute(monoSource(s, 300.0), p), ProfileOutcome::Computed);
    const std::vector<double>& a = p.amplitude[0][2];
    for (int j = 1; j < p.frames; ++j) {
        const double expected = kSlopeDbPerSecond * (frameCentreSeconds(p, j) - frameCentreSeconds(p, 0));
        EXPECT_NEAR(a[j] - a[0], expected, 1.0) << "frame " << j;
    }
    // The steady fundamental stays put.
    EXPECT_NEAR(p.amplitude[0][0].back() - p.amplitude[0][0].front(), 0.0, 0.2);
}

// A steady tone resynthesised harmonic by harmonic: each comes back at its
// own frequency (within 1 cent) and level (within 0.5 dB). The fundamental
// sits on bin 20 of the 2048-point frame, so the level read from the peak bin
// is the partial's own.
TEST(HarmonicProfiles, ResynthesisedHarmonicHasItsFrequencyAndLevel)
{
    const double f0 = 20.0 * kRate / 2048.0; // 430.66 Hz
    const double amplitude[3] = {0.5, 0.25, 0.1}; // of full scale, harmonics 1..3
    const auto s = tone(2 * kRate, 3, [&](double) { return f0; }, [&](int n, double) { return amplitude[n - 1]; },
                        0.0);
    HarmonicProfiles p;
    ASSERT_EQ(compute(monoSource(s, f0), p), ProfileOutcome::Computed);
    std::vector<int16_t> out(s.size());
    for (int h = 1; h <= 3; ++h) {
        SCOPED_TRACE(h);
        const int32_t n = synthesize_harmonic(p, 0, h, f0, kRate, out.data(), static_cast<int32_t>(out.size()));
        ASSERT_EQ(n, p.hop * p.frames);
        // Frequency from the rising zero crossings (interpolated) of the
        // second half, level from its RMS.
        double first = -1.0, last = -1.0, squares = 0.0;
        int crossings = 0;
        for (int32_t i = n / 2; i + 1 < n; ++i) {
            squares += static_cast<double>(out[i]) * out[i];
            if (out[i] < 0 && out[i + 1] >= 0) {
                const double at = i + static_cast<double>(-out[i]) / (out[i + 1] - out[i]);
                if (first < 0)
                    first = at;
                last = at;
                ++crossings;
            }
        }
        ASSERT_GT(crossings, 100);
        const double hz = (crossings - 1) * kRate / (last - first);
        EXPECT_NEAR(cents(hz), cents(h * f0), 1.0);
        const double peak = std::sqrt(2.0 * squares / (n - 1 - n / 2));
        EXPECT_NEAR(20.0 * std::log10(peak / (32767.0 * amplitude[h - 1])), 0.0, 0.5);
        EXPECT_EQ(std::count(out.begin() + n, out.end(), 0), static_cast<long>(out.size()) - n);
    }
}

// A harmonic whose bin lies at or beyond M / 2 has the analysis's 0 dB
// marker, not a level: its synthesis is silence, not a full-scale tone. 1500
// Hz * 16 = 24 kHz is plainly above 22.05 kHz; 1002 Hz * 22 = 22044 Hz is just
// below it, but its bin trunc(22 * 1002 * 2048 / 44100 + 0.5) = 1024 is M / 2,
// so the analysis counts it beyond.
TEST(HarmonicProfiles, HarmonicBeyondNyquistSynthesisesSilence)
{
    const struct {
        double hz;
        int harmonic;
    } cases[] = {{1500.0, 16}, {1002.0, 22}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hz);
        const double hz = c.hz;
        const auto s = tone(kRate, 4, [hz](double) { return hz; }, [](int n, double) { return 1.0 / n; });
        HarmonicProfiles p;
        ASSERT_EQ(compute(monoSource(s, c.hz), p), ProfileOutcome::Computed);
        ASSERT_EQ(p.amplitude[0][c.harmonic - 1][0], 0.0);
        std::vector<int16_t> out(s.size(), 123);
        synthesize_harmonic(p, 0, c.harmonic, c.hz, kRate, out.data(), static_cast<int32_t>(out.size()));
        EXPECT_EQ(std::count(out.begin(), out.end(), 0), static_cast<long>(out.size()));
    }
}

// F frames from the rule trunc(N / hop) - trunc(1/a - 1), but only frames that
// fit inside the sound (start + frame size <= N) are counted, and each of
// them is analysed. Expected counts by hand: N = 44064 at 90 % has hop 204
// and trunc(44064/204) - 9 = 207 by the rule, but the frame of 2048 starting
// at 206 * 204 = 42024 ends past 44064, so 206 fit; at 40 Hz the frame grows
// from 2048 to 8192 while the hop stays 1024, and of the rule's 42 frames
// only (44100 - 8192) / 1024 + 1 = 36 fit.
TEST(HarmonicProfiles, FrameCountRule)
{
    struct Case {
        double pitchHz;
        int32_t frames;
        int overlap;
        int hop, frameSize, count;
    };
    const Case cases[] = {
        {440.0, 44100, 50, 1024, 2048, 42}, // trunc(44100/1024) - 1
        {440.0, 44100, 0, 2048, 2048, 21},  // trunc(44100/2048)
        {440.0, 44100, 90, 204, 2048, 207}, // trunc(44100/204) - 9
        {440.0, 44064, 90, 204, 2048, 206},
        {40.0, 44100, 50, 1024, 8192, 36},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.overlap);
        SCOPED_TRACE(c.pitchHz);
        const auto s = tone(c.frames, 4, [&](double) { return c.pitchHz; }, [](int n, double) { return 1.0 / n; });
        HarmonicProfiles p;
        ASSERT_EQ(compute(monoSource(s, c.pitchHz), p, 2048, c.overlap), ProfileOutcome::Computed);
        EXPECT_EQ(p.hop, c.hop);
        EXPECT_EQ(p.frameSize, c.frameSize);
        EXPECT_EQ(p.frames, c.count);
        ASSERT_EQ(static_cast<int>(p.amplitude[0][0].size()), c.count);
        // The last frame was analysed, like every other: the fundamental is
        // there at a real level.
        EXPECT_GT(p.amplitude[0][0].back(), -30.0);
        EXPECT_LT(p.amplitude[0][0].back(), 0.0);
    }
}

// A sound too short for four frames of the chosen size is analysed with
// smaller frames (never below two periods), not left blank; without pitch, or
// when two periods leave fewer than four frames, nothing is computed. Sizes by
// hand, 440 Hz (period 100) at 50 %: 5120 samples hold trunc(5120/1024) - 1 =
// 4 frames of 2048; 5119 only 3, so 1024 with hop 512: min(trunc(5119/512) -
// 1, (5119 - 1024)/512 + 1) = 8. A chosen 8192 on 5120 samples: 8192 and 4096
// leave fewer than four, 2048 gives 4. At 5 Hz two periods are 17640 samples,
// more than the sound.
TEST(HarmonicProfiles, ShortSoundsShrinkTheFrameOrComputeNothing)
{
    const struct {
        int32_t samples;
        int chosen;
        double pitchHz;
        int frameSize, hop, frames; // frames 0: nothing computed
    } cases[] = {
        {5120, 2048, 440.0, 2048, 1024, 4},
        {5119, 2048, 440.0, 1024, 512, 8},
        {5120, 8192, 440.0, 2048, 1024, 4},
        {5120, 2048, 0.0, 0, 0, 0},
        {5120, 2048, -3.0, 0, 0, 0},
        {5120, 2048, 5.0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.samples << " " << c.chosen << " " << c.pitchHz);
        const auto s = tone(c.samples, 4, [](double) { return 440.0; }, [](int n, double) { return 1.0 / n; });
        HarmonicProfiles p;
        const ProfileOutcome outcome = compute(monoSource(s, c.pitchHz), p, c.chosen);
        if (c.frames == 0) {
            EXPECT_EQ(outcome, ProfileOutcome::Nothing);
            EXPECT_FALSE(p.computed());
            EXPECT_EQ(p.durationMs, 116); // trunc(5120 * 1000 / 44100 + 0.5)
            continue;
        }
        ASSERT_EQ(outcome, ProfileOutcome::Computed);
        EXPECT_EQ(p.frameSize, c.frameSize);
        EXPECT_EQ(p.hop, c.hop);
        EXPECT_EQ(p.frames, c.frames);
        // A real reading, not an empty frame: the fundamental near 440 Hz.
        EXPECT_LT(std::abs(p.frequency[0][0].back()), 30.0);
        EXPECT_GT(p.amplitude[0][0].back(), -30.0);
    }

    std::vector<int16_t> s5120 = tone(5120, 4, [](double) { return 440.0; }, [](int n, double) { return 1.0 / n; });
    HarmonicProfiles p;
    std::atomic<bool> stop{true};
    EXPECT_EQ(compute_harmonic_profiles(monoSource(s5120, 440.0), ProfileSettings(), p, stop), ProfileOutcome::Stopped);
}

namespace {

// Collects the worker's finished reports (called on its threads).
struct Reports {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<unsigned> finished;

    void add(unsigned serial)
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished.push_back(serial);
        changed.notify_all();
    }
    void waitFor(unsigned serial)
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return std::find(finished.begin(), finished.end(), serial) != finished.end(); });
    }
};

ProfileJob stereoJob(int seconds)
{
    ProfileJob job;
    job.channels = 2;
    job.sampleCount = seconds * kRate;
    job.sampleRate = kRate;
    job.pitchHz = 330.0;
    job.samples[0] = tone(job.sampleCount, 16, [](double) { return 330.0; }, [](int n, double) { return 1.0 / n; });
    job.samples[1] = tone(job.sampleCount, 16, [](double) { return 331.0; }, [](int n, double) { return 0.5 / n; });
    return job;
}

} // namespace

// Two runs triggered back to back: the first is stopped and joined before the
// second starts, the second's results are its own and whole, and only the
// latest run can be taken. Under ThreadSanitizer any array shared between the
// runs, or with the caller, shows up as a race.
TEST(ProfileWorker, BackToBackRunsNeverShareArrays)
{
    const ProfileJob job = stereoJob(4);
    HarmonicProfiles alone;
    {
        ProfileSource src;
        src.samples[0] = job.samples[0].data();
        src.samples[1] = job.samples[1].data();
        src.channels = 2;
        src.sampleCount = job.sampleCount;
        src.sampleRate = kRate;
        src.pitchHz = job.pitchHz;
        std::atomic<bool> stop{false};
        ASSERT_EQ(compute_harmonic_profiles(src, job.settings, alone, stop), ProfileOutcome::Computed);
    }

    Reports reports;
    std::atomic<int> progressCalls{0};
    ProfileWorker worker;
    auto progress = [&](unsigned, int, int) { progressCalls.fetch_add(1); };
    auto finished = [&](unsigned serial) { reports.add(serial); };
    const unsigned first = worker.start(job, progress, finished);
    const unsigned second = worker.start(job, progress, finished);
    ASSERT_NE(first, second);
    EXPECT_EQ(worker.latestSerial(), second);
    // start() joined the first run: its report is in before the second starts.
    reports.waitFor(first);
    reports.waitFor(second);
    EXPECT_EQ(worker.take(first), nullptr);
    const std::shared_ptr<ProfileRun> run = worker.take(second);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(worker.take(second), nullptr); // taken once
    ASSERT_EQ(run->outcome, ProfileOutcome::Computed);
    ASSERT_EQ(run->results.frames, alone.frames);
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < kProfileHarmonics; ++k) {
            EXPECT_EQ(run->results.amplitude[c][k], alone.amplitude[c][k]);
            EXPECT_EQ(run->results.frequency[c][k], alone.frequency[c][k]);
        }

    // A third run while the caller still holds the second's results: they
    // stay as they were.
    const std::vector<double> kept = run->results.frequency[1][0];
    const unsigned third = worker.start(stereoJob(1), progress, finished);
    reports.waitFor(third);
    EXPECT_EQ(run->results.frequency[1][0], kept);
    ASSERT_NE(worker.take(third), nullptr);
    EXPECT_GT(progressCalls.load(), 0);
}

// Destroying the worker while a run goes stops and joins it.
TEST(ProfileWorker, DestructionStopsARunningComputation)
{
    Reports reports;
    unsigned serial = 0;
    {
        ProfileWorker worker;
        serial = worker.start(stereoJob(8), nullptr, [&](unsigned s) { reports.add(s); });
    }
    reports.waitFor(serial); // already reported: the destructor joined
}
