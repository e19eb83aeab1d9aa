// Sustain selection and loop check on constructed sounds whose steady part,
// junction and period are known by construction.

#include "loop/loop_check.h"
#include "loop/sustain_selection.h"

#include "document/SampleBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

constexpr int32_t kRate = 44100;

// A mono sound of `seconds` whose frame i is value(i), with its pitch set as
// the detector would have set it.
SampleBuffer soundOf(double seconds, double pitchHz, const std::function<double(int32_t)>& value)
{
    SampleBuffer doc;
    const int32_t n = int32_t(seconds * kRate);
    doc.allocateSamples(1, n);
    doc.channels = 1;
    doc.sampleCount = n;
    doc.sampleRate = kRate;
    doc.pitchHz = pitchHz;
    for (int32_t i = 0; i < n; ++i)
        doc.samples[0][size_t(i)] = int16_t(std::lround(value(i)));
    return doc;
}

// Five harmonics of amplitude 1/h.
double harmonicTone(double t, double hz)
{
    double v = 0.0;
    for (int h = 1; h <= 5; ++h)
        v += std::sin(2.0 * M_PI * h * hz * t) / h;
    return v;
}

TEST(SustainSelection, AttackSustainReleaseToneIsSelectedInsideItsSteadyPart)
{
    // 2 s at 261.63 Hz: linear attack over 50 ms, release over the last 200 ms.
    const double hz = 261.63;
    const SampleBuffer doc = soundOf(2.0, hz, [&](int32_t i) {
        const double t = double(i) / kRate;
        const double envelope = std::min(1.0, t / 0.05) * std::min(1.0, (2.0 - t) / 0.2);
        return 12000.0 * envelope * harmonicTone(t, hz);
    });
    const SustainSelection sel = findSustain(doc);
    EXPECT_TRUE(sel.steady) << sel.reason;
    EXPECT_TRUE(sel.warning.empty());
    EXPECT_GE(sel.start, int32_t(0.05 * kRate)) << "the selection starts in the attack";
    EXPECT_LE(sel.end, int32_t(1.8 * kRate)) << "the selection reaches into the release";
    // Most of the 1.75 s steady part is offered to the search.
    EXPECT_GE(sel.end - sel.start, int32_t(1.2 * kRate));
}

TEST(SustainSelection, DecayingPluckFallsBackToTheLastPartWithAWarning)
{
    // 196 Hz, every partial decaying (the fundamental at 17 dB/s), no sustain.
    const double hz = 196.0;
    const SampleBuffer doc = soundOf(2.5, hz, [&](int32_t i) {
        const double t = double(i) / kRate;
        double v = 0.0;
        for (int h = 1; h <= 6; ++h)
            v += std::exp(-t * (1.5 + 1.5 * h)) * std::sin(2.0 * M_PI * h * hz * t) / h;
        return 20000.0 * std::min(1.0, t / 0.002) * v;
    });
    const SustainSelection sel = findSustain(doc);
    EXPECT_FALSE(sel.steady) << sel.reason;
    EXPECT_FALSE(sel.warning.empty());
    EXPECT_GE(sel.start, doc.sampleCount / 5) << "the fallback is the later part of the sound";
    EXPECT_GT(sel.end, sel.start + int32_t(0.2 * kRate));
    EXPECT_LE(sel.end, doc.sampleCount);
}

TEST(SustainSelection, TrendLimitAndRoomBeforeTheSelection)
{
    // A steady decay reads as sustain under 10 dB/s only. A tone steady from
    // frame 0 still leaves the 4 periods (plus one frame) the search compares
    // before its first loop point: at 20 Hz, 4 x 2205 + 1 frames.
    const struct {
        double hz;
        double decayDbPerSecond;
        bool steady;
    } cases[] = {
        {220.0, 15.0, false},
        {220.0, 5.0, true},
        {20.0, 0.0, true},
    };
    for (const auto& c : cases) {
        const SampleBuffer doc = soundOf(3.0, c.hz, [&](int32_t i) {
            const double t = double(i) / kRate;
            return 16000.0 * std::pow(10.0, -c.decayDbPerSecond * t / 20.0) * harmonicTone(t, c.hz);
        });
        const SustainSelection sel = findSustain(doc);
        EXPECT_EQ(sel.steady, c.steady) << c.hz << " Hz, " << c.decayDbPerSecond << " dB/s: " << sel.reason;
        EXPECT_GE(sel.start, int32_t(4 * std::lround(kRate / c.hz) + 1)) << c.hz << " Hz";
        EXPECT_LT(sel.start, sel.end);
        // Steady to its last frame (a sample trimmed after its loop): the
        // sustain runs to the end, less at most two blocks of 10 ms or a
        // period (the last one cut short, the one before it without a period
        // after it to compare with), not the half window of 150 ms.
        const int32_t block = std::max<int32_t>(kRate / 100, int32_t(kRate / c.hz) + 1);
        if (c.steady)
            EXPECT_GE(sel.end, doc.sampleCount - 2 * block) << c.hz << " Hz";
    }
}

// A sine of exactly 100 frames per period (441 Hz), starting at phase 0.
SampleBuffer sine100()
{
    return soundOf(1.0, kRate / 100.0, [](int32_t i) { return 16000.0 * std::sin(2.0 * M_PI * i / 100.0); });
}

TEST(LoopCheck, WholePeriodsAreCleanAndHalfAPeriodMoreIsAClick)
{
    const SampleBuffer doc = sine100();
    // (s, e) covers s + 1 .. e: frame 1000 (phase 0) follows frame e = 1000 + 50 periods - 1.
    const int32_t s = 999;
    const LoopCheck clean = checkLoop(doc, s, s + 5000, true);
    ASSERT_TRUE(clean.valid);
    EXPECT_EQ(clean.verdict, LoopVerdict::Clean);
    EXPECT_NEAR(clean.periods, 50.0, 0.01);
    EXPECT_NEAR(clean.driftCents, 0.0, 0.5);
    EXPECT_EQ(loopCheckLine(clean), "Loop check: clean");

    // Ended half a period later the wave turns round at the junction: its slope
    // jumps by twice the peak slope, 2 sqrt(2) times the RMS slope.
    const LoopCheck moved = checkLoop(doc, s, s + 5050, true);
    ASSERT_TRUE(moved.valid);
    EXPECT_EQ(moved.verdict, LoopVerdict::AudibleClick);
    EXPECT_NEAR(moved.slopeJump, 2.0 * std::sqrt(2.0), 0.2);
    EXPECT_EQ(loopCheckLine(moved), "Loop check: audible click");

    // As alternate loops, which come back inverted: a sine whose zero
    // crossings fall midway between frames is odd-symmetric about them, so
    // turns there are smooth, while turns at its peaks jump from +peak to -peak.
    const SampleBuffer shifted =
        soundOf(1.0, kRate / 100.0, [](int32_t i) { return 16000.0 * std::sin(2.0 * M_PI * (i + 0.5) / 100.0); });
    EXPECT_EQ(checkLoop(shifted, s, s + 5000, false).verdict, LoopVerdict::Clean);
    const LoopCheck atPeaks = checkLoop(shifted, s + 25, s + 25 + 5000, false);
    EXPECT_EQ(atPeaks.verdict, LoopVerdict::AudibleClick);
    EXPECT_GT(atPeaks.valueJump, 1.0);
}

TEST(LoopCheck, HundredAndAHalfPeriodsDriftByHandWorkedCents)
{
    const SampleBuffer doc = sine100();
    // 10050 frames = 100.5 periods; the nearest whole number (101) is forced
    // into them: 1200 log2(101 / 100.5) = 8.5917 cents.
    const LoopCheck c = checkLoop(doc, 999, 999 + 10050, true);
    ASSERT_TRUE(c.valid);
    EXPECT_NEAR(c.periods, 100.5, 0.01);
    EXPECT_NEAR(c.driftCents, 8.5917, 0.1);
}

} // namespace
