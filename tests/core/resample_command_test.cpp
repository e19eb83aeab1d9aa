// Resample, Pitch shift and Change sample rate on the document: lengths,
// loops, rates and the rate fields' parser, against hand-worked values.

#include "document/SampleBuffer.h"
#include "processing/resample.h"

#include <gtest/gtest.h>

#include <climits>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

SampleBuffer toneDocument(int32_t frames, int32_t rate, int channels = 1)
{
    SampleBuffer doc;
    doc.allocate(static_cast<int16_t>(channels), frames);
    doc.sampleCount = frames;
    doc.sampleRate = rate;
    doc.channels = static_cast<int16_t>(channels);
    doc.bitsPerSample = 16;
    for (int c = 0; c < channels; ++c)
        for (int32_t i = 0; i < frames; ++i)
            doc.samples[c][i] = static_cast<int16_t>(10000 * std::sin(2 * M_PI * 440.0 * (c + 1) * i / rate));
    return doc;
}

} // namespace

TEST(ResampleSound, ConvertsLengthLoopsAndRate)
{
    SampleBuffer doc = toneDocument(44100, 44100, 2);
    doc.loops.loopStart[0] = 1000;
    doc.loops.loopEnd[0] = 30000;
    doc.loops.loopStart[1] = 0; // a loop from the first sample keeps its start
    doc.loops.loopEnd[1] = 44099;
    resampleSound(doc, 44100, 48000);

    EXPECT_EQ(doc.sampleCount, 48000);
    EXPECT_EQ(doc.sampleRate, 48000);
    for (int c = 0; c < 2; ++c)
        EXPECT_GE(doc.samples[c].size(), 48000u);
    // 160 / 147: 1000 -> 1088.4, 30000 -> 32653.06, 44099 -> 47998.9.
    EXPECT_EQ(doc.loops.loopStart[0], 1088);
    EXPECT_EQ(doc.loops.loopEnd[0], 32653);
    EXPECT_EQ(doc.loops.loopStart[1], 0);
    EXPECT_EQ(doc.loops.loopEnd[1], 47999);
    // 16384 + 0.33 * 48000 < 48000: the analysis window still fits.
    EXPECT_EQ(doc.fftSizeExp, 4);

    // Back down to half: 24000 frames; the arrays keep their size, and the
    // window shrinks until 1024 * 2^e + 0.33 * 24000 < 24000, i.e. e = 3.
    resampleSound(doc, 48000, 24000);
    EXPECT_EQ(doc.sampleCount, 24000);
    EXPECT_GE(doc.samples[0].size(), 48000u);
    EXPECT_EQ(doc.fftSizeExp, 3);
    // 47999 / 2 + 0.5 = 24000, one past the end: the last frame.
    EXPECT_EQ(doc.loops.loopEnd[1], 23999);
}

// Down by 12, a loop 1002 .. 1004 lands on 84 .. 84: it holds nothing and is
// dropped; the loop after it moves up, and the current slot follows.
TEST(ResampleSound, DropsLoopsThatCollapse)
{
    SampleBuffer doc = toneDocument(24000, 44100);
    doc.loops.loopStart[0] = 1002;
    doc.loops.loopEnd[0] = 1004;
    doc.loops.loopStart[1] = 5000;
    doc.loops.loopEnd[1] = 9000;
    doc.loops.currentSolution = 1;
    resampleSound(doc, 44100, 3675);

    EXPECT_EQ(doc.sampleCount, 2000);
    EXPECT_EQ(doc.loops.loopStart[0], 417); // 416.67
    EXPECT_EQ(doc.loops.loopEnd[0], 750);
    EXPECT_EQ(doc.loops.loopStart[1], -1);
    EXPECT_EQ(doc.loops.loopEnd[1], -1);
    EXPECT_EQ(doc.loops.currentSolution, 0);

    // The current loop itself collapsing leaves the "no loop" slot selected,
    // not the loop that moved up into its place: 2000 frames down by 12,
    // 10 .. 12 lands on 1 .. 1, 600 .. 1800 on 50 .. 150.
    doc.loops.loopStart[0] = 10;
    doc.loops.loopEnd[0] = 12;
    doc.loops.loopStart[1] = 600;
    doc.loops.loopEnd[1] = 1800;
    doc.loops.currentSolution = 0;
    resampleSound(doc, 44100, 3675);
    EXPECT_EQ(doc.loops.loopStart[0], 50);
    EXPECT_EQ(doc.loops.loopEnd[0], 150);
    EXPECT_FALSE(doc.loops.hasLoop(1));
    EXPECT_EQ(doc.loops.currentSolution, 1);
}

// Conversions move neither the content nor the loops: after ten round trips
// 44100 <-> 48000 the tone is where it was (a lag of 2 samples per conversion
// would put it 40 samples early) and the loop points are the same, so the
// loop still sits on its junction. At the same rate (pitch shift by 0) every
// sample stays.
TEST(ResampleSound, ContentAndLoopsStayTogetherThroughRoundTrips)
{
    SampleBuffer doc = toneDocument(2 * 44100, 44100);
    const std::vector<int16_t> original(doc.samples[0].begin(), doc.samples[0].begin() + doc.sampleCount);
    doc.loops.loopStart[0] = 4410;
    doc.loops.loopEnd[0] = 75000;
    for (int trip = 0; trip < 10; ++trip) {
        resampleSound(doc, 44100, 48000);
        resampleSound(doc, 48000, 44100);
    }
    ASSERT_EQ(doc.sampleCount, 2 * 44100);
    EXPECT_EQ(doc.loops.loopStart[0], 4410);
    EXPECT_EQ(doc.loops.loopEnd[0], 75000);

    // Phase of the 440 Hz tone over the middle, before and after, as a lag.
    const auto phase = [](const int16_t* s) {
        double ys = 0, yc = 0;
        for (int i = 22050; i < 66150; ++i) { // 440 whole periods
            ys += s[i] * std::sin(2 * M_PI * 440.0 * i / 44100);
            yc += s[i] * std::cos(2 * M_PI * 440.0 * i / 44100);
        }
        return std::atan2(yc, ys);
    };
    const double lagFrames = (phase(original.data()) - phase(doc.samples[0].data())) * 44100 / (2 * M_PI * 440.0);
    EXPECT_NEAR(lagFrames, 0.0, 0.01);

    const std::vector<int16_t> before(doc.samples[0].begin(), doc.samples[0].begin() + doc.sampleCount);
    resampleSound(doc, 44100, 44100);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), doc.samples[0].begin()));
}

TEST(ResampleSound, RefusesRatesOutOfRangeAndTooShortResults)
{
    const SampleBuffer doc = toneDocument(20000, 44100);
    EXPECT_EQ(checkResample(doc, 44100, 48000), ResampleCheck::Ok);
    // 20000 / 44100 frames: nothing left to hold a sound.
    EXPECT_EQ(checkResample(doc, 44100, 1), ResampleCheck::TooShort);
    // 20000 * 282 / 44100 = 127.9 rounds to 128, the shortest sound; 281 gives 127.
    EXPECT_EQ(checkResample(doc, 44100, 282), ResampleCheck::Ok);
    EXPECT_EQ(checkResample(doc, 44100, 281), ResampleCheck::TooShort);
    EXPECT_EQ(checkResample(doc, 44100, 768001), ResampleCheck::RateOutOfRange);
    EXPECT_EQ(checkResample(doc, 0, 44100), ResampleCheck::RateOutOfRange);
}

TEST(SampleRateParser, ReadsTheLeadingDigitsWithoutDots)
{
    const struct {
        const char* text;
        int32_t rate; // 0: refused
    } cases[] = {
        {"44.100", 44100}, {"44100", 44100},      {"44100 Hz", 44100}, {"11025", 11025},
        {"1.2.3", 123},    {"99999999999", INT_MAX}, {"-5", 0},        {"abc", 0},
        {"0", 0},          {"0.000", 0},           {"", 0},            {" 44100", 0},
    };
    for (const auto& c : cases) {
        const std::optional<int32_t> rate = parseSampleRate(c.text);
        EXPECT_EQ(rate.value_or(0), c.rate) << '"' << c.text << '"';
    }
}

TEST(Transposition, RatesAndIntervalsBothWays)
{
    // 44100 * 2^(1/12) = 46722.4; 2^(12/12) = 2 however the powers round.
    EXPECT_EQ(pitchShiftSourceRate(44100, pitchShiftRatio(1, 0.0f)), 46722);
    EXPECT_EQ(pitchShiftSourceRate(44100, pitchShiftRatio(12, 0.0f)), 88200);
    EXPECT_EQ(pitchShiftSourceRate(44100, pitchShiftRatio(-12, 0.0f)), 22050);
    EXPECT_EQ(pitchShiftSourceRate(44100, pitchShiftRatio(0, 0.0f)), 44100);
    // 10 cents: 44100 * 2^(10/1200) = 44355.5.
    EXPECT_EQ(transposedRate(44100, 0, 10.0), 44355);

    const struct {
        int32_t rate;
        int semitones;
        double cents;
    } cases[] = {
        {88200, 12, 0.0},
        {44355, 0, 10.0},   // 9.98 cents
        {46722, 1, 0.0},    // 99.988 cents
        {8000, -30, 44.8},  // -2955.25 cents: -29.55 + 0.5 truncates to -29, the rest -55.25 moves a semitone
        {66150, 7, 2.0},    // 3 / 2: 701.955 cents
        {41700, -1, 3.1},   // -96.88 cents: trunc(-0.47) = 0, rest below -50
    };
    for (const auto& c : cases) {
        const Transposition t = transpositionOf(44100, c.rate);
        EXPECT_EQ(t.semitones, c.semitones) << c.rate;
        EXPECT_DOUBLE_EQ(t.cents, c.cents) << c.rate;
    }
}
