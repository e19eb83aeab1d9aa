// The automatic loop's refusals and its stop flag, on constructed sounds.

#include "loop/auto_loop.h"

#include "document/SampleBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

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
