#include "loop/crossfade.h"

#include "document/SampleBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// A deterministic, full-range test signal (no two neighbours alike).
std::vector<int16_t> testSignal(int32_t n, uint32_t seed = 12345)
{
    std::vector<int16_t> x(n);
    uint32_t r = seed;
    for (auto& v : x) {
        r = r * 1664525u + 1013904223u;
        v = static_cast<int16_t>(static_cast<int32_t>(r >> 16) - 32768);
    }
    return x;
}

CrossfadeSettings fade(CrossfadeKind kind, int32_t X, int32_t T = 1)
{
    CrossfadeSettings f;
    f.kind = kind;
    f.lengthSamples = X;
    f.passes = T;
    return f;
}

// w[j] straight from the curve definitions, with pow rather than exp.
double refWeight(CrossfadeKind kind, int j, int X)
{
    switch (kind) {
    case CrossfadeKind::Linear: return double(j) / X;
    case CrossfadeKind::Exponential: return std::pow(2.0, -12.0 * (X - 1 - j) / X);
    case CrossfadeKind::InverseExponential: return 1.0 - std::pow(2.0, -12.0 * j / X);
    }
    return 1.0;
}

} // namespace

TEST(Crossfade, ForwardWithoutCrossfadeCopiesTheLoop)
{
    const auto x = testSignal(500);
    const int s = 120, e = 380;
    std::vector<int16_t> buf(e - s, 0);
    ASSERT_TRUE(build_forward_loop(x.data(), 500, s, e, fade(CrossfadeKind::Linear, 0), buf.data()));
    for (int k = 0; k < e - s; ++k)
        ASSERT_EQ(buf[k], x[s + 1 + k]) << k;
}

TEST(Crossfade, OneLinearPassEndsTheLoopOnTheSampleBeforeItsStart)
{
    const auto x = testSignal(500);
    const int s = 120, e = 380, L = e - s, X = 50;
    std::vector<int16_t> buf(L, 0);
    build_forward_loop(x.data(), 500, s, e, fade(CrossfadeKind::Linear, X), buf.data());
    EXPECT_EQ(buf[L - 1], x[s]);
    // Every blended sample by hand; the rest is untouched loop material.
    for (int j = 0; j < X; ++j) {
        const double w = double(j) / X;
        const int expected = int(std::trunc((1 - w) * x[s - j] + w * x[e - j]));
        ASSERT_EQ(buf[L - 1 - j], expected) << j;
    }
    for (int k = 0; k < L - X; ++k)
        ASSERT_EQ(buf[k], x[s + 1 + k]) << k;
}

TEST(Crossfade, TwoLinearPassesSquareTheLoopWeight)
{
    // Pre-loop material 0 and loop material 16000 with X = 4: the loop's share
    // after two passes is (j/4)^2 * 16000 = 0, 1000, 4000, 9000, all exact.
    std::vector<int16_t> x(40, 0);
    const int s = 19, e = 29, L = e - s;
    for (int i = s + 1; i <= e; ++i)
        x[i] = 16000;
    std::vector<int16_t> buf(L);
    build_forward_loop(x.data(), 40, s, e, fade(CrossfadeKind::Linear, 4, 2), buf.data());
    EXPECT_EQ(buf[L - 1], 0);
    EXPECT_EQ(buf[L - 2], 1000);
    EXPECT_EQ(buf[L - 3], 4000);
    EXPECT_EQ(buf[L - 4], 9000);
    EXPECT_EQ(buf[L - 5], 16000);
}

TEST(Crossfade, ExponentialCurvesAtBothEnds)
{
    // Loop material 32000 against silence before the loop shows w[j] * 32000.
    std::vector<int16_t> x(100, 0);
    const int s = 49, e = 79, L = e - s, X = 8;
    for (int i = s + 1; i <= e; ++i)
        x[i] = 32000;
    std::vector<int16_t> buf(L);

    build_forward_loop(x.data(), 100, s, e, fade(CrossfadeKind::Exponential, X), buf.data());
    // j = 0: 2^(-12 * 7/8) = 2^-10.5; j = X - 1: 1.
    EXPECT_EQ(buf[L - 1], int(32000 * std::pow(2.0, -10.5))); // 22
    EXPECT_EQ(buf[L - 1], 22);
    EXPECT_EQ(buf[L - X], 32000);

    build_forward_loop(x.data(), 100, s, e, fade(CrossfadeKind::InverseExponential, X), buf.data());
    // j = 0: 0; j = X - 1: 1 - 2^-10.5.
    EXPECT_EQ(buf[L - 1], 0);
    EXPECT_EQ(buf[L - X], int(32000 * (1 - std::pow(2.0, -10.5)))); // 31977
    EXPECT_EQ(buf[L - X], 31977);
    // The middle of the inverse curve: j = 4, 1 - 2^-6.
    EXPECT_EQ(buf[L - 5], int(32000 * (1 - 1.0 / 64)));
}

TEST(Crossfade, ForwardMatchesANaiveReferenceForEveryKindAndPassCount)
{
    const auto x = testSignal(3000, 777);
    const int s = 1200, e = 2100, L = e - s, X = 300;
    for (auto kind : {CrossfadeKind::Linear, CrossfadeKind::Exponential, CrossfadeKind::InverseExponential}) {
        for (int T = 1; T <= 4; ++T) {
            std::vector<int> ref(x.begin() + s + 1, x.begin() + e + 1);
            for (int t = 0; t < T; ++t)
                for (int j = 0; j < X; ++j) {
                    const double w = refWeight(kind, j, X);
                    ref[L - 1 - j] = int(std::trunc((1 - w) * x[s - j] + w * ref[L - 1 - j]));
                }
            std::vector<int16_t> buf(L);
            build_forward_loop(x.data(), 3000, s, e, fade(kind, X, T), buf.data());
            for (int k = 0; k < L; ++k)
                // pow and exp may differ in the last bit, which can move a
                // truncation by one step.
                ASSERT_NEAR(buf[k], ref[k], 1) << "kind " << int(kind) << " T " << T << " k " << k;
        }
    }
}

TEST(Crossfade, AlternateMatchesANaiveReferenceForEveryKindAndPassCount)
{
    const auto x = testSignal(3000, 4242);
    const int s = 1200, e = 2100, L = e - s, X = 300;
    for (auto kind : {CrossfadeKind::Linear, CrossfadeKind::Exponential, CrossfadeKind::InverseExponential}) {
        for (int T = 1; T <= 4; ++T) {
            std::vector<int> ref(2 * L);
            for (int k = 0; k < L; ++k) {
                ref[k] = x[s + 1 + k];
                ref[2 * L - 1 - k] = x[s + 1 + k] == -32768 ? -32768 : -x[s + 1 + k];
            }
            for (int t = 0; t < T; ++t)
                for (int j = 0; j < X; ++j) {
                    const double w = refWeight(kind, j, X);
                    ref[2 * L - 1 - j] = int(std::trunc((1 - w) * x[s - j] + w * ref[2 * L - 1 - j]));
                    ref[L - 1 - j] = int(std::trunc(w * ref[L - 1 - j] - (1 - w) * x[e + 1 + j]));
                }
            std::vector<int16_t> buf(2 * L);
            ASSERT_TRUE(build_alternate_loop(x.data(), 3000, s, e, fade(kind, X, T), buf.data()));
            for (int k = 0; k < 2 * L; ++k)
                ASSERT_NEAR(buf[k], std::clamp(ref[k], -32768, 32767), 1)
                    << "kind " << int(kind) << " T " << T << " k " << k;
        }
    }
}

TEST(Crossfade, AlternateWithoutCrossfadeIsForwardThenNegatedBackward)
{
    auto x = testSignal(400);
    const int s = 99, e = 199, L = e - s;
    x[150] = -32768;
    std::vector<int16_t> buf(2 * L);
    build_alternate_loop(x.data(), 400, s, e, fade(CrossfadeKind::Linear, 0), buf.data());
    EXPECT_EQ(buf[0], x[s + 1]);
    EXPECT_EQ(buf[L - 1], x[e]);
    EXPECT_EQ(buf[L], -x[e]);
    EXPECT_EQ(buf[2 * L - 1], -x[s + 1]);
    // -32768 has no positive counterpart in 16 bits and stays -32768.
    const int k = 150 - (s + 1);
    EXPECT_EQ(buf[k], -32768);
    EXPECT_EQ(buf[2 * L - 1 - k], -32768);
}

TEST(Crossfade, AlternateTurningPointsLeadIntoTheMaterialAroundTheLoop)
{
    const auto x = testSignal(400);
    const int s = 99, e = 199, L = e - s, X = 20;
    std::vector<int16_t> buf(2 * L);
    build_alternate_loop(x.data(), 400, s, e, fade(CrossfadeKind::Linear, X), buf.data());
    // End of the backward half (wraps to x[s + 1]): the sample before the loop.
    EXPECT_EQ(buf[2 * L - 1], x[s]);
    // End of the forward half (turns into -x[e]): -x[e + 1].
    EXPECT_EQ(buf[L - 1], -x[e + 1]);
    for (int j = 0; j < X; ++j) {
        const double w = double(j) / X;
        EXPECT_EQ(buf[2 * L - 1 - j], int(std::trunc((1 - w) * x[s - j] + w * -x[s + 1 + j]))) << j;
        EXPECT_EQ(buf[L - 1 - j], int(std::trunc(w * x[e - j] - (1 - w) * x[e + 1 + j]))) << j;
    }
}

TEST(Crossfade, AlternateBlendNeverReadsPastTheSoundAndNeverWraps)
{
    // The loop ends two samples before the sound does; X = 10 would read
    // x[e + 1 .. e + 10]. Only x[e + 1], x[e + 2] exist (j = 0, 1).
    std::vector<int16_t> x(60, 1000);
    const int s = 29, e = 57, L = e - s, N = 60;
    x[e + 1] = -32768; // negated and unweighted (j = 0): +32768 clamps to 32767
    x[e + 2] = 2000;
    std::vector<int16_t> buf(2 * L);
    build_alternate_loop(x.data(), N, s, e, fade(CrossfadeKind::Linear, 10), buf.data());
    EXPECT_EQ(buf[L - 1], 32767);
    EXPECT_EQ(buf[L - 2], int(std::trunc(0.1 * 1000 - 0.9 * 2000)));
    for (int j = 2; j < 10; ++j)
        EXPECT_EQ(buf[L - 1 - j], 1000) << "unblended beyond the sound, j " << j;
}

TEST(Crossfade, CrossfadeIsBoundedByTheMaterialBeforeTheLoop)
{
    // s = 3: only x[0..3] precede the loop, so at most 4 samples are blended.
    auto x = testSignal(100);
    const int s = 3, e = 60, L = e - s;
    std::vector<int16_t> buf(L);
    ASSERT_TRUE(build_forward_loop(x.data(), 100, s, e, fade(CrossfadeKind::Linear, 40), buf.data()));
    EXPECT_EQ(buf[L - 1], x[s]);
    for (int k = 0; k < L - 4; ++k)
        ASSERT_EQ(buf[k], x[s + 1 + k]) << k;
    // A loop from the very first sample cannot be crossfaded at all.
    std::vector<int16_t> buf2(61);
    ASSERT_TRUE(build_forward_loop(x.data(), 100, -1, 60, fade(CrossfadeKind::Linear, 40), buf2.data()));
    for (int k = 0; k <= 60; ++k)
        ASSERT_EQ(buf2[k], x[k]);
    // A loop beyond the sound is refused.
    EXPECT_FALSE(build_forward_loop(x.data(), 100, 50, 100, fade(CrossfadeKind::Linear, 0), buf.data()));
}

TEST(Crossfade, DocumentBuildersUseTheCurrentSolutionForEveryChannel)
{
    SampleBuffer doc;
    doc.channels = 2;
    doc.sampleCount = 300;
    doc.sampleRate = 44100;
    doc.allocate(2, 300);
    const auto left = testSignal(300, 1), right = testSignal(300, 2);
    doc.samples[0] = left;
    doc.samples[1] = right;
    doc.loops.loopStart[3] = 100;
    doc.loops.loopEnd[3] = 250;
    doc.loops.currentSolution = 3;

    buildForwardLoop(doc, fade(CrossfadeKind::Linear, 10));
    EXPECT_EQ(doc.loopBody[0][149], left[100]);
    EXPECT_EQ(doc.loopBody[1][149], right[100]);
    EXPECT_EQ(doc.loopBody[1][0], right[101]);

    buildAlternateLoop(doc, fade(CrossfadeKind::Linear, 0));
    EXPECT_EQ(doc.pingPong[0][150], -left[250]);
    EXPECT_EQ(doc.pingPong[1][299], -right[101]);

    // No loop in the current slot: the forward buffers stay as they were.
    doc.loops.currentSolution = 0;
    doc.loopBody[0].assign(300, 7);
    buildForwardLoop(doc, fade(CrossfadeKind::Linear, 10));
    EXPECT_EQ(doc.loopBody[0][0], 7);
}

TEST(Crossfade, LengthFromTheSliderInMilliseconds)
{
    EXPECT_EQ(crossfadeLengthSamples(10, 44100), 441);
    EXPECT_EQ(crossfadeLengthSamples(1, 44100), 44);  // 44.1 truncated
    EXPECT_EQ(crossfadeLengthSamples(0, 44100), 0);
    EXPECT_EQ(crossfadeLengthSamples(10000, 48000), 480000);
}
