// The automatic loop's refusals and its stop flag, on constructed sounds.

#include "loop/auto_loop.h"

#include "document/SampleBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int32_t kRate = 44100;

SampleBuffer sineOf(int32_t frames, double hz, double pitchHz)
{
    SampleBuffer doc;
    doc.allocateSamples(1, frames);
    doc.channels = 1;
    doc.sampleCount = frames;
    doc.sampleRate = kRate;
    doc.pitchHz = pitchHz;
    for (int32_t i = 0; i < frames; ++i)
        doc.samples[0][size_t(i)] = int16_t(std::lround(12000.0 * std::sin(2.0 * M_PI * hz * i / kRate)));
    return doc;
}

} // namespace

TEST(AutoLoop, RefusesWithoutPitchOrRoomAndStopsAtOnce)
{
    const std::atomic<bool> go{false}, stop{true};
    struct Case {
        const char* name;
        SampleBuffer sound;
        AutoLoopRequest range;
        const std::atomic<bool>& flag;
        LoopSearchOutcome outcome;
        const char* message;
    };
    const Case cases[] = {
        {"no pitch", sineOf(kRate, 441.0, 0.0), {0, kRate}, go, LoopSearchOutcome::Refused,
         "The pitch of the sound is unknown: a loop cannot be searched."},
        // A loop of four periods (100 frames each) does not fit in 300 frames.
        {"too short", sineOf(kRate, 441.0, 441.0), {1000, 1300}, go, LoopSearchOutcome::Refused,
         "The sustain is too short for a loop."},
        {"stopped", sineOf(kRate, 441.0, 441.0), {0, kRate}, stop, LoopSearchOutcome::Stopped, ""},
        {"found", sineOf(kRate, 441.0, 441.0), {0, kRate}, go, LoopSearchOutcome::Completed, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const AutoLoopResult r = findAutoLoop(c.sound, c.range, c.flag);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(r.message.text, c.message);
        if (c.outcome != LoopSearchOutcome::Completed) {
            EXPECT_TRUE(r.loops.empty());
            continue;
        }
        // A sine of exactly 100 frames: the best loop is whole periods and
        // meets the same samples, so nothing changes at the wrap.
        ASSERT_FALSE(r.loops.empty());
        EXPECT_EQ((r.loops[0].loopEnd - r.loops[0].loopStart) % 100, 0);
        EXPECT_EQ(r.loops[0].mismatch, 0.0);
        SolutionTable table;
        storeAutoLoops(r, table);
        EXPECT_EQ(table.loopStart[0], r.loops[0].loopStart);
        EXPECT_EQ(table.firstEmptySlot(), int(r.loops.size()));
    }
}

// A two-partial tone of period 100 with noise 30 dB down, decaying slowly or
// fast. The noise alone puts every junction near sqrt(2) * 0.0316 = 0.045
// (two independent draws over the level's RMS); a loop of L frames adds the
// level step 1 - 10^(-d L / (20 rate)), d dB/s. At 1 dB/s a loop of 150 ms
// adds only 0.017 (0.048 in all), within 1.75 times the best junction, so
// the first solution lasts 100 ms or more; at 10 dB/s a 100 ms loop already
// steps by 0.11, so the lowest junction stays first however short it is.
TEST(AutoLoop, FirstSolutionLastsATenthOfASecondWhenSuchALoopMatchesNearlyAsWell)
{
    const int32_t frames = 3 * kRate;
    struct Case {
        double dbPerSecond;
        bool musical; // a loop of 100 ms or more comes first
    };
    for (const Case& c : {Case{1.0, true}, Case{10.0, false}}) {
        SCOPED_TRACE(c.dbPerSecond);
        SampleBuffer doc = sineOf(frames, 441.0, 441.0);
        uint32_t seed = 12345;
        for (int32_t i = 0; i < frames; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const double noise = (seed / 4294967296.0 - 0.5) * std::sqrt(12.0) * 0.0316 * 0.79;
            const double wave = std::sin(2.0 * M_PI * i / 100.0) + 0.5 * std::sin(4.0 * M_PI * i / 100.0);
            const double level = std::pow(10.0, -c.dbPerSecond * i / kRate / 20.0);
            doc.samples[0][size_t(i)] = int16_t(std::lround(12000.0 * (level * wave + noise)));
        }
        const std::atomic<bool> go{false};
        const AutoLoopResult r = findAutoLoop(doc, {0, frames}, go);
        ASSERT_EQ(r.outcome, LoopSearchOutcome::Completed);
        ASSERT_GE(r.loops.size(), 2u);

        const std::vector<int16_t>& x = doc.samples[0];
        auto mismatch = [&](const AutoLoopCandidate& l) {
            double diff = 0.0, energy = 0.0;
            for (int32_t k = -200; k < 200; ++k) {
                const double u = x[size_t(l.loopEnd + 1 + k)], v = x[size_t(l.loopStart + 1 + k)];
                diff += (u - v) * (u - v);
                energy += (u * u + v * v) / 2.0;
            }
            return std::sqrt(diff / energy);
        };
        double lowest = mismatch(r.loops[0]);
        for (const AutoLoopCandidate& l : r.loops)
            lowest = std::min(lowest, mismatch(l));
        const AutoLoopCandidate& first = r.loops[0];
        const double m = mismatch(first);
        EXPECT_EQ(first.loopEnd - first.loopStart >= kRate / 10, c.musical) << first.loopEnd - first.loopStart;
        if (c.musical) {
            EXPECT_LE(m, 1.75 * lowest + 1e-9);
            EXPECT_LT(m, 1.75 * 0.045);
        } else {
            EXPECT_LE(m, lowest + 1e-12);
        }
    }
}
