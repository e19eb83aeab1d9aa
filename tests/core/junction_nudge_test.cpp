// The junction display's samples and the hand moves of loop points, against
// positions and values worked out by hand.
#include "document/SampleBuffer.h"
#include "loop/loop_nudge.h"
#include "views/junction_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// 200 frames at 8000 Hz; channel 0 is x[i] = 100 i - 5000 (every value
// different, so a wrong index shows), channel 1 its negation.
SampleBuffer rampSound(int channels)
{
    SampleBuffer snd;
    snd.sampleRate = 8000;
    snd.sampleCount = 200;
    snd.channels = static_cast<int16_t>(channels);
    for (int ch = 0; ch < channels; ++ch)
        for (int i = 0; i < 200; ++i)
            snd.samples[ch].push_back(static_cast<int16_t>((ch == 0 ? 1 : -1) * (100 * i - 5000)));
    return snd;
}

int16_t ramp(int i) { return static_cast<int16_t>(100 * i - 5000); }

struct Expect {
    int k;        // offset from the wrap
    int16_t left; // channel 0; channel 1 is its negation
};

} // namespace

TEST(JunctionGeometry, PlainTracesFollowThePlayedOrderAtTwoZooms)
{
    struct Case {
        bool forward;
        double halfMs;
        int32_t half; // trunc(halfMs * 8000 / 1000)
        int turn;     // which junction of the loop
        std::vector<Expect> expect;
    };
    // Loop (49, 99): plays x[50] .. x[99], L = 50.
    const Case cases[] = {
        {true, 0.5, 4, 0, {{-4, ramp(96)}, {-1, ramp(99)}, {0, ramp(50)}, {3, ramp(53)}}},
        // +-10 ms spans more than one cycle: the loop repeats on both sides.
        {true, 10.0, 80, 0, {{-80, ramp(70)}, {-51, ramp(99)}, {-50, ramp(50)}, {49, ramp(99)}, {50, ramp(50)}}},
        // Alternate, turn at the end: x[98], x[99], then -x[99], -x[98].
        {false, 0.5, 4, 0, {{-2, ramp(98)}, {-1, ramp(99)}, {0, static_cast<int16_t>(-ramp(99))}, {1, static_cast<int16_t>(-ramp(98))}}},
        // Alternate, turn at the start: -x[51], -x[50], then x[50], x[51].
        {false, 0.5, 4, 1, {{-2, static_cast<int16_t>(-ramp(51))}, {-1, static_cast<int16_t>(-ramp(50))}, {0, ramp(50)}, {1, ramp(51)}}},
        // Alternate at +-10 ms: 60 samples after the end turn the backward
        // half has passed x[50] and turned forward again at x[50].
        {false, 10.0, 80, 0, {{50, ramp(50)}, {49, static_cast<int16_t>(-ramp(50))}, {-50, ramp(50)}, {-51, static_cast<int16_t>(-ramp(50))}}},
    };
    for (int channels : {1, 2}) {
        const SampleBuffer snd = rampSound(channels);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "channels " << channels << " forward " << c.forward << " +-"
                                            << c.halfMs << " ms turn " << c.turn);
            const auto traces = buildJunctionTraces(snd, 49, 99, c.forward, CrossfadeSettings{}, c.halfMs);
            ASSERT_EQ(traces.size(), c.forward ? 1u : 2u);
            const JunctionTrace& t = traces[static_cast<size_t>(c.turn)];
            ASSERT_EQ(t.halfSamples, c.half);
            ASSERT_EQ(t.channels, channels);
            for (const Expect& e : c.expect) {
                const size_t i = static_cast<size_t>(e.k + c.half);
                EXPECT_EQ(t.plain[0][i], e.left) << "k " << e.k;
                if (channels == 2) {
                    EXPECT_EQ(t.plain[1][i], -e.left) << "k " << e.k;
                }
                // Without a crossfade both traces agree.
                EXPECT_EQ(t.faded[0][i], t.plain[0][i]) << "k " << e.k;
            }
        }
    }
}

TEST(JunctionGeometry, CrossfadedTraceBlendsThePreLoopMaterial)
{
    const SampleBuffer snd = rampSound(2);
    // Linear, X = 4, one pass: w[j] = j / 4 from the wrap back.
    const CrossfadeSettings fade{CrossfadeKind::Linear, 4, 1};
    const auto traces = buildJunctionTraces(snd, 49, 99, true, fade, 0.5);
    ASSERT_EQ(traces.size(), 1u);
    const JunctionTrace& t = traces[0];
    // k = -1: w = 0, the sample before the loop start, x[49] = -100.
    EXPECT_EQ(t.faded[0][3], -100);
    EXPECT_EQ(t.faded[1][3], 100);
    // k = -2: 3/4 x[48] + 1/4 x[98] = 3/4 (-200) + 1/4 (4800) = 1050.
    EXPECT_EQ(t.faded[0][2], 1050);
    EXPECT_EQ(t.faded[1][2], -1050);
    // The far side of the wrap is the loop's own start, untouched.
    EXPECT_EQ(t.faded[0][4], ramp(50));
    EXPECT_EQ(t.plain[0][3], ramp(99));
}

TEST(JunctionGeometry, WrapSitsAtTheCentreOfTheView)
{
    // 800 px over 8 samples: 100 px each, the wrap at 400.
    EXPECT_DOUBLE_EQ(junctionSampleX(-1, 4, 800), 350.0);
    EXPECT_DOUBLE_EQ(junctionSampleX(0, 4, 800), 450.0);
    EXPECT_DOUBLE_EQ(junctionSampleX(-4, 4, 800), 50.0);
    // 160 samples: 5 px each.
    EXPECT_DOUBLE_EQ(junctionSampleX(0, 80, 800), 402.5);
    EXPECT_EQ(junctionHalfSamples(50.0, 44100), 2205);
    EXPECT_EQ(junctionHalfSamples(0.5, 44100), 22);
}

TEST(JunctionGeometry, LoopOutsideTheSoundGivesNoTrace)
{
    const SampleBuffer snd = rampSound(1);
    EXPECT_TRUE(buildJunctionTraces(snd, 49, 200, true, {}, 1.0).empty());
    EXPECT_TRUE(buildJunctionTraces(snd, 99, 99, true, {}, 1.0).empty());
    EXPECT_TRUE(buildJunctionTraces(snd, -2, 99, false, {}, 1.0).empty());
}

namespace {

// A tone of period 40 with its rising zero crossings at 0, 40, 80, ...:
// x[i] = round(10000 sin(2 pi (i - 0.5) / 40)), so x[40m] < 0 <= x[40m + 1].
std::vector<int16_t> tone(int frames)
{
    std::vector<int16_t> x(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        x[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(10000.0 * std::sin(2.0 * M_PI * (i - 0.5) / 40.0)));
    return x;
}

} // namespace

TEST(LoopNudge, StepsBySampleZeroCrossingAndPeriod)
{
    const std::vector<int16_t> x = tone(400);
    ASSERT_LT(x[80], 0);
    ASSERT_GE(x[81], 0);
    struct Case {
        const char* name;
        LoopPoints loop;
        LoopPoint which;
        NudgeStep step;
        int direction;
        int32_t crossfade;
        bool forward;
        std::optional<LoopPoints> expect;
    };
    using P = LoopPoint;
    using S = NudgeStep;
    const Case cases[] = {
        {"end +1", {80, 240}, P::End, S::Sample, 1, 0, true, LoopPoints{80, 241}},
        {"start -1", {80, 240}, P::Start, S::Sample, -1, 0, true, LoopPoints{79, 240}},
        {"end next crossing", {80, 240}, P::End, S::ZeroCrossing, 1, 0, true, LoopPoints{80, 280}},
        {"end previous crossing", {80, 240}, P::End, S::ZeroCrossing, -1, 0, true, LoopPoints{80, 200}},
        {"off a crossing to the next", {80, 243}, P::End, S::ZeroCrossing, 1, 0, true, LoopPoints{80, 280}},
        {"off a crossing to the previous", {80, 243}, P::End, S::ZeroCrossing, -1, 0, true, LoopPoints{80, 240}},
        {"start previous crossing", {80, 240}, P::Start, S::ZeroCrossing, -1, 0, true, LoopPoints{40, 240}},
        {"start + period", {80, 240}, P::Start, S::Period, 1, 0, true, LoopPoints{120, 240}},
        {"end - period", {80, 240}, P::End, S::Period, -1, 0, true, LoopPoints{80, 200}},
        // The start needs s - 1 >= X: crossing 0 leaves no sample before it.
        {"start to the first sample", {40, 240}, P::Start, S::ZeroCrossing, -1, 0, true, std::nullopt},
        {"start into the crossfade", {80, 240}, P::Start, S::ZeroCrossing, -1, 50, true, std::nullopt},
        {"loop shorter than the crossfade", {80, 160}, P::End, S::Period, -1, 50, true, std::nullopt},
        {"empty loop", {80, 120}, P::End, S::Period, -1, 0, true, std::nullopt},
        {"no crossing after the last", {80, 360}, P::End, S::ZeroCrossing, 1, 0, true, std::nullopt},
        {"end past the sound", {80, 399}, P::End, S::Sample, 1, 0, true, std::nullopt},
        // An alternate loop also needs N - e >= X after its end.
        {"alternate end leaves no room", {80, 320}, P::End, S::ZeroCrossing, 1, 50, false, std::nullopt},
        {"forward end may go there", {80, 320}, P::End, S::ZeroCrossing, 1, 50, true, LoopPoints{80, 360}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const NudgeContext ctx{x.data(), 400, 40.0, c.crossfade, c.forward};
        const auto got = nudgeLoopPoint(c.loop, c.which, c.step, c.direction, ctx);
        ASSERT_EQ(got.has_value(), c.expect.has_value());
        if (got) {
            EXPECT_EQ(*got, *c.expect) << got->start << " " << got->end;
        }
    }
    // Without a pitch there is no period step.
    const NudgeContext noPitch{x.data(), 400, 0.0, 0, true};
    EXPECT_FALSE(nudgeLoopPoint({80, 240}, P::End, S::Period, 1, noPitch));
}

TEST(LoopNudge, DraggingSnapsToTheNearestRisingCrossing)
{
    const std::vector<int16_t> x = tone(400);
    const NudgeContext ctx{x.data(), 400, 40.0, 0, true};
    const struct {
        int32_t to;
        bool snap;
        int32_t end;
    } cases[] = {{213, true, 200}, {227, true, 240}, {240, true, 240}, {227, false, 227}};
    for (const auto& c : cases) {
        const auto got = dragLoopPoint({80, 160}, LoopPoint::End, c.to, c.snap, ctx);
        ASSERT_TRUE(got) << c.to;
        EXPECT_EQ(got->end, c.end) << c.to;
        EXPECT_EQ(got->start, 80);
    }
    // A drag of the end before the start is refused.
    EXPECT_FALSE(dragLoopPoint({80, 160}, LoopPoint::End, 60, false, ctx));
}
