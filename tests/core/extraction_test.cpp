// Harmonic lists, comb-filter extraction measured on bin-exact tones, the
// optimized resample rate and the tracker's split and exchange.

#include "document/SampleBuffer.h"
#include "dsp/fft.h"
#include "extraction/extraction.h"
#include "extraction/harmonic_list.h"
#include "extraction/tracker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

TEST(HarmonicList, ParsesItemsRangesAndDropsWhatNamesNoHarmonic)
{
    const struct {
        const char* text;
        std::vector<int16_t> expected;
    } cases[] = {
        {"1,3,5-8", {1, 3, 5, 6, 7, 8}},
        {"5-3", {}},
        {",2,", {2}},
        {"1-3-5", {1, 2, 3, 5}},
        {"0", {}},
        {"1,,3", {1, 3}},
        {"0-2", {1, 2}},
        {"--4,2-", {4, 2}},
        {"3,5 and 7", {3, 5}},
        {"x1", {}},
        {"40000", {32767}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse_harmonic_list(c.text), c.expected) << '"' << c.text << '"';

    // Saturated, not overflowed: the range ends at the largest harmonic.
    const HarmonicList huge = parse_harmonic_list("32760-99999999999");
    ASSERT_EQ(huge.size(), 8u);
    EXPECT_EQ(huge.back(), 32767);
}

TEST(HarmonicList, ParityFollowsTheComboTexts)
{
    EXPECT_EQ(parity_harmonic_list(0, 4), (HarmonicList{2, 4, 6, 8})); // "even"
    EXPECT_EQ(parity_harmonic_list(1, 3), (HarmonicList{1, 3, 5}));    // "odd"
    // 44100 Hz, 441 Hz: trunc(22050 / 441 * 0.5) = 25.
    EXPECT_EQ(half_band_harmonic_count(44100, 441.0), 25);
    EXPECT_EQ(half_band_harmonic_count(44100, 0.0), 0);
    const double pitches[2] = {0.0, 220.0};
    EXPECT_EQ(lowest_channel_pitch(pitches, 2), 220.0);
}

// A pitch whose period is 409.6 samples at 44100 Hz: ten periods are exactly
// 4096 samples, so k = 10, n = 4096 and harmonic o sits on bin 10 * o of the
// filter frame. Every component of the test signal sits on a bin of that
// frame, so the filter's steady-state gain on it is exactly its mask value.
constexpr int32_t kRate = 44100;
constexpr double kPitch = kRate / 409.6;
constexpr int kFrame = 4096;
constexpr int kTopBin = 127;
constexpr double kAmplitude = 150.0;

std::vector<int16_t> binComb(int32_t count, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> phase(0.0, 2 * M_PI);
    std::vector<double> phases(kTopBin + 1);
    for (double& p : phases)
        p = phase(random);
    std::vector<int16_t> s(static_cast<size_t>(count));
    for (int32_t t = 0; t < count; ++t) {
        double v = 0.0;
        for (int b = 1; b <= kTopBin; ++b)
            v += kAmplitude * std::cos(2 * M_PI * b * t / kFrame + phases[static_cast<size_t>(b)]);
        s[static_cast<size_t>(t)] = static_cast<int16_t>(std::lround(v));
    }
    return s;
}

// Amplitudes of bins 0 .. kTopBin over 16 whole frames in the middle of the
// sound, away from the filter's start and end transients: bin b of the
// filter frame is bin 16 b of the long transform.
std::vector<double> amplitudes(const std::vector<int16_t>& s)
{
    constexpr int kLength = 16 * kFrame;
    std::vector<Complex> frame(kLength);
    for (int t = 0; t < kLength; ++t)
        frame[static_cast<size_t>(t)] = {static_cast<double>(s[static_cast<size_t>(3 * kFrame + t)]), 0.0};
    fft_forward(kLength, frame.data());
    std::vector<double> a(kTopBin + 1);
    for (int b = 0; b <= kTopBin; ++b)
        a[static_cast<size_t>(b)] = 2.0 * std::hypot(frame[16 * b].re, frame[16 * b].im) / kLength;
    return a;
}

TEST(HarmonicExtraction, PassesAndStopsExactlyTheBinsItsSettingsName)
{
    auto harmonic = [](int b) { return b % 10 == 0 ? b / 10 : 0; };
    ExtractionSettings inharmonic;
    ExtractionSettings harmonicExtract;
    harmonicExtract.inharmonic = false;

    const struct {
        const char* name;
        ExtractionSettings settings;
        std::function<bool(int bin)> passes;
    } cases[] = {
        {"inharmonic, nothing else", inharmonic, [&](int b) { return harmonic(b) == 0; }},
        {"inharmonic + harmonics 3,5", [&] { auto s = inharmonic; s.choice = 2; s.list = "3,5"; return s; }(),
         [&](int b) { return harmonic(b) == 0 || harmonic(b) == 3 || harmonic(b) == 5; }},
        {"inharmonic + even", [&] { auto s = inharmonic; s.choice = 1; s.parity = 0; return s; }(),
         [&](int b) { return harmonic(b) % 2 == 0; }},
        {"inharmonic, ten rows", [&] { auto s = inharmonic; s.maskRows = 10; return s; }(),
         [&](int b) { return b <= 6 || (b % 10 >= 4 && b % 10 <= 6); }}, // bands of +-3 bins
        // (5 - 1) / 9 * 10 / 4 + 0.5 = 1.6: bands of +-1 bin, not the single
        // bins that an integer (5 - 1) / 9 would give.
        {"inharmonic, five rows", [&] { auto s = inharmonic; s.maskRows = 5; return s; }(),
         [&](int b) { return b == 1 || (b % 10 >= 2 && b % 10 <= 8); }},
        {"extract all", harmonicExtract, [&](int b) { return harmonic(b) > 0; }},
        {"extract odd", [&] { auto s = harmonicExtract; s.choice = 1; s.parity = 1; return s; }(),
         [&](int b) { return harmonic(b) % 2 == 1; }},
        {"extract 1,3,5-8", [&] { auto s = harmonicExtract; s.choice = 2; s.list = "1,3,5-8"; return s; }(),
         [&](int b) { const int h = harmonic(b); return h == 1 || h == 3 || (h >= 5 && h <= 8); }},
        {"extract all but 2", [&] { auto s = harmonicExtract; s.choice = 3; s.exceptList = "2"; return s; }(),
         [&](int b) { return harmonic(b) > 0 && harmonic(b) != 2; }},
        {"reduce all", [&] { auto s = harmonicExtract; s.operation = 1; return s; }(),
         [&](int b) { return harmonic(b) == 0; }},
    };

    const std::vector<int16_t> input = binComb(21 * kFrame, 7);
    const std::vector<double> before = amplitudes(input);
    for (const auto& c : cases) {
        SampleBuffer doc;
        doc.channels = 1;
        doc.sampleRate = kRate;
        doc.sampleCount = static_cast<int32_t>(input.size());
        doc.samples[0] = input;
        doc.channelPitch[0] = kPitch;
        apply_extraction(doc, c.settings);
        const std::vector<double> after = amplitudes(doc.samples[0]);
        for (int b = 1; b <= kTopBin; ++b) {
            const double gainDb = 20.0 * std::log10(after[static_cast<size_t>(b)] / before[static_cast<size_t>(b)]);
            if (c.passes(b))
                EXPECT_LE(std::abs(gainDb), 1.0) << c.name << ", bin " << b;
            else
                EXPECT_LE(gainDb, -40.0) << c.name << ", bin " << b;
        }
    }
}

// Extract all harmonics and the inharmonic rest are the two halves of one
// mask (bins 0 and n/2 aside), so when both are aligned with the input they
// add up to it; and an exactly periodic tone comes out of Extract as it
// went in, sample for sample, once k periods have entered the filter.
TEST(HarmonicExtraction, ExtractedPartsStayAlignedWithTheSound)
{
    std::vector<int16_t> input = binComb(8 * kFrame, 5);
    std::vector<int16_t> periodic(input.size());
    std::mt19937 random(3);
    std::uniform_int_distribution<int> noise(-2000, 2000);
    for (size_t t = 0; t < input.size(); ++t) {
        // Only the harmonic bins (multiples of 10) of the comb: period 4096.
        double v = 0.0;
        for (int b = 10; b <= kTopBin; b += 10)
            v += kAmplitude * std::cos(2 * M_PI * b * double(t) / kFrame + b);
        periodic[t] = static_cast<int16_t>(std::lround(v));
        input[t] = static_cast<int16_t>(input[t] + noise(random));
    }
    auto run = [](const std::vector<int16_t>& x, CombOperation operation) {
        CombFilterDesign design;
        design.operation = operation;
        std::vector<int16_t> y(x.size());
        EXPECT_TRUE(harmonic_comb_filter(kRate, kPitch, 10, static_cast<int32_t>(x.size()), x.data(), y.data(),
                                         HarmonicList(), design));
        return y;
    };
    const std::vector<int16_t> harmonic = run(input, CombOperation::Extract);
    const std::vector<int16_t> rest = run(input, CombOperation::Inharmonic);
    const std::vector<int16_t> reduced = run(input, CombOperation::Reduce);
    const std::vector<int16_t> periodicOut = run(periodic, CombOperation::Extract);
    for (size_t t = 2 * kFrame; t < input.size() - 2 * kFrame; ++t) {
        // The DC bin of the noise, left out of both, and rounding.
        ASSERT_NEAR(harmonic[t] + rest[t], input[t], 60) << "frame " << t;
        ASSERT_NEAR(reduced[t], rest[t], 60) << "frame " << t;
        ASSERT_NEAR(periodicOut[t], periodic[t], 2) << "frame " << t;
    }
}

TEST(HarmonicExtraction, SilentChannelIsLeftAlone)
{
    SampleBuffer doc;
    doc.channels = 2;
    doc.sampleRate = kRate;
    doc.sampleCount = 3 * kFrame;
    doc.samples[0] = binComb(doc.sampleCount, 3);
    doc.samples[1] = doc.samples[0];
    doc.channelPitch[0] = kPitch;
    doc.channelPitch[1] = 0.0;
    apply_extraction(doc, ExtractionSettings());
    EXPECT_NE(doc.samples[0], doc.samples[1]);
    EXPECT_EQ(doc.samples[1], binComb(doc.sampleCount, 3));
}

TEST(HarmonicExtraction, OptimizedRatePutsAPowerOfTwoUnderWholePeriods)
{
    // T = 100, k = 10, L = 1000, P = 1024: 1024 * 44100 / 1000 = 45158.4.
    EXPECT_EQ(optimized_sample_rate(44100, 441.0), 45158);
    // Already aligned (409.6 samples a period, ten periods 4096): unchanged.
    EXPECT_EQ(optimized_sample_rate(kRate, kPitch), kRate);
    EXPECT_EQ(optimized_sample_rate(44100, 0.0), 44100);
}

// ---- tracker -------------------------------------------------------------

// A decaying 441 Hz tone (period 100) with a noise burst over its first
// 2000 samples, looped over 20 periods from 6000.
SampleBuffer attackSound(int channels)
{
    SampleBuffer doc;
    doc.channels = static_cast<int16_t>(channels);
    doc.sampleRate = 44100;
    doc.sampleCount = 12000;
    std::mt19937 random(11);
    std::uniform_int_distribution<int> noise(-3000, 3000);
    for (int c = 0; c < channels; ++c) {
        doc.samples[c].resize(static_cast<size_t>(doc.sampleCount));
        for (int32_t t = 0; t < doc.sampleCount; ++t)
            doc.samples[c][static_cast<size_t>(t)] = static_cast<int16_t>(
                8000 * std::sin(2 * M_PI * t / 100.0 + c) + (t < 2000 ? noise(random) : 0));
        doc.channelPitch[c] = 441.0;
    }
    doc.loops.loopStart[0] = 5999;
    doc.loops.loopEnd[0] = 7999;
    doc.loops.currentSolution = 0;
    return doc;
}

TEST(Tracker, SlowVersionIsTheLoopTiledBackUnderTheAttacksEnvelope)
{
    // Without slope (100 %), compensation (c = 0) or harmonics from the
    // residual (all of them listed), the slow version is the steady copy
    // alone. The loop holds noise of peak 8000, so any misplaced tile shows.
    // The attack reaches 20000 over blocks 5 .. 14 (of 200 frames) and
    // 2000 over blocks 20 .. 24: the copy is never raised above the loop's
    // own level, and is lowered to the attack's level where that is lower.
    constexpr int32_t ls = 5999, le = 7799, length = le - ls;
    SampleBuffer doc;
    doc.channels = 1;
    doc.sampleRate = 44100;
    doc.sampleCount = 9000;
    doc.samples[0].assign(9000, 0);
    std::mt19937 random(5);
    std::uniform_int_distribution<int> noise(-8000, 8000);
    for (int32_t t = 0; t < doc.sampleCount; ++t)
        doc.samples[0][static_cast<size_t>(t)] = static_cast<int16_t>(noise(random));
    for (int32_t t = 1000; t < 3000; ++t)
        doc.samples[0][static_cast<size_t>(t)] = t % 2 ? 20000 : -20000;
    for (int32_t t = 4000; t < 5000; ++t)
        doc.samples[0][static_cast<size_t>(t)] = static_cast<int16_t>(noise(random) / 4);
    doc.channelPitch[0] = 441.0; // period 100: blocks of 200
    doc.loops.loopStart[0] = ls;
    doc.loops.loopEnd[0] = le;
    doc.loops.currentSolution = 0;
    const std::vector<int16_t> original = doc.samples[0];
    TrackerParams params;
    params.characteristicHarmonics = "1-64";
    params.envelopeSlope = 100;
    params.compensationFactor = 0;
    TrackerState state;
    state.trak(doc, params);
    const std::vector<int16_t>& slow = doc.samples[0];

    auto tiled = [&](int32_t t) { return original[static_cast<size_t>(le - (ls - t) % length)]; };
    auto peak = [](const std::vector<int16_t>& x, int32_t from, int32_t to) {
        int p = 0;
        for (int32_t t = from; t < to; ++t)
            p = std::max(p, std::abs(int{x[static_cast<size_t>(t)]}));
        return p;
    };
    // Loud blocks after the first: gain 1, the tile sample for sample.
    for (int32_t t = 1200; t < 3000; ++t)
        ASSERT_EQ(slow[static_cast<size_t>(t)], tiled(t)) << "frame " << t;
    EXPECT_LE(peak(slow, 1000, 3000), 8000);
    // Quiet blocks after the first: the attack's own peak, block by block
    // (within the ramp from the previous block's gain).
    for (int32_t b = 21; b < 25; ++b) {
        const int level = peak(original, b * 200, b * 200 + 200);
        EXPECT_NEAR(peak(slow, b * 200, b * 200 + 200), level, 0.05 * level) << "block " << b;
    }
    EXPECT_TRUE(std::equal(slow.begin() + ls + 1, slow.end(), original.begin() + ls + 1));
}

TEST(Tracker, ChiffIsTheRestAndChThenSlRestoresTheSound)
{
    SampleBuffer doc = attackSound(2);
    const std::vector<int16_t> original = doc.samples[1];
    TrackerState state;
    state.trak(doc, TrackerParams());
    const std::vector<int16_t> slow[2] = {doc.samples[0], doc.samples[1]};
    // Past the fade-in, slow version + chiff = the attack as it was.
    for (int32_t t = 176; t <= 5999; ++t)
        ASSERT_EQ(slow[1][static_cast<size_t>(t)] + state.buffer(1)[static_cast<size_t>(t)],
                  original[static_cast<size_t>(t)]);
    // The chiff carries the noise burst: far more energy before 2000 than after.
    double early = 0, late = 0;
    for (int32_t t = 500; t < 1500; ++t)
        early += std::pow(state.buffer(1)[static_cast<size_t>(t)], 2);
    for (int32_t t = 4000; t < 5000; ++t)
        late += std::pow(state.buffer(1)[static_cast<size_t>(t)], 2);
    EXPECT_GT(early, 100 * late);

    const std::vector<int16_t> chiff = state.buffer(0);
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(state.showChiff(doc, true));
        EXPECT_EQ(doc.sampleCount, 6000);
        EXPECT_FALSE(doc.loops.hasLoop(0));
        for (size_t t = 0; t < 6000; ++t)
            ASSERT_EQ(doc.samples[0][t], -chiff[t]) << "round " << round << ", sample " << t;
        EXPECT_FALSE(state.showChiff(doc, true));
        ASSERT_TRUE(state.showSlow(doc));
        EXPECT_EQ(doc.sampleCount, 12000);
        EXPECT_EQ(doc.loops.loopStart[0], 5999);
        EXPECT_EQ(doc.loops.loopEnd[0], 7999);
        EXPECT_EQ(doc.samples[0], slow[0]);
        EXPECT_EQ(doc.samples[1], slow[1]);
    }
}

TEST(Tracker, RefusesLoopsItCannotTile)
{
    SampleBuffer doc = attackSound(1);
    EXPECT_EQ(tracker_check(doc), TrackerCheck::Ready);
    doc.loops.loopEnd[0] = doc.loops.loopStart[0]; // length 0
    EXPECT_EQ(tracker_check(doc), TrackerCheck::UnusableLoop);
    doc.loops.loopStart[0] = -1; // a loop from frame 0 leaves no attack
    doc.loops.loopEnd[0] = 3000;
    EXPECT_EQ(tracker_check(doc), TrackerCheck::UnusableLoop);
    doc.loops.loopStart[0] = 126; // 127 frames before the loop: too short a chiff
    EXPECT_EQ(tracker_check(doc), TrackerCheck::UnusableLoop);
    doc.loops.loopStart[0] = 127;
    EXPECT_EQ(tracker_check(doc), TrackerCheck::Ready);
    doc.loops.loopEnd[0] = -1;
    EXPECT_EQ(tracker_check(doc), TrackerCheck::NoLoop);

    // A state whose sound changed length is not exchanged.
    SampleBuffer other = attackSound(1);
    TrackerState state;
    state.trak(other, TrackerParams());
    other.sampleCount = 11000;
    EXPECT_FALSE(state.showChiff(other, false));
}

} // namespace
