// Clean low frequencies and Enhance/Smooth on synthetic sounds: each channel
// filtered by its own pitch, peaks restored, band gains measured on steady
// tones, and the dB entry's rules.
#include "document/SampleBuffer.h"
#include "document/undo_history.h"
#include "processing/clean_enhance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;

struct Partial {
    double hz;
    double amplitude;
};

std::vector<int16_t> tones(int count, std::initializer_list<Partial> partials)
{
    std::vector<int16_t> x(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        double v = 0;
        for (const Partial& p : partials)
            v += p.amplitude * std::sin(2 * kPi * p.hz * i / kRate);
        x[static_cast<size_t>(i)] = static_cast<int16_t>(std::lround(v));
    }
    return x;
}

SampleBuffer sound(std::vector<int16_t> left, std::vector<int16_t> right, double pitchLeft, double pitchRight)
{
    SampleBuffer doc;
    doc.sampleCount = static_cast<int32_t>(left.size());
    doc.channels = right.empty() ? 1 : 2;
    doc.sampleRate = kRate;
    doc.bitsPerSample = 16;
    doc.blockAlign = static_cast<int16_t>(2 * doc.channels);
    doc.samples[0] = std::move(left);
    doc.samples[1] = std::move(right);
    doc.channelPitch[0] = pitchLeft;
    doc.channelPitch[1] = pitchRight;
    doc.updatePitchHz();
    return doc;
}

// Amplitude of the component at hz over [begin, begin + length): whole periods.
double amplitudeAt(const std::vector<int16_t>& y, double hz, int begin, int length)
{
    double s = 0, c = 0;
    for (int i = begin; i < begin + length; ++i) {
        s += y[static_cast<size_t>(i)] * std::sin(2 * kPi * hz * i / kRate);
        c += y[static_cast<size_t>(i)] * std::cos(2 * kPi * hz * i / kRate);
    }
    return 2 * std::hypot(s, c) / length;
}

int peakOf(const std::vector<int16_t>& x)
{
    int p = 0;
    for (int16_t v : x)
        p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
}

} // namespace

TEST(CleanLowFrequencies, EachChannelByItsOwnPitchKeepingItsPeak)
{
    // Left pitch 100 Hz (edges 50/90): its 100 Hz partial is in the pass
    // band. Right pitch 300 Hz (edges 150/270): the same partial is stopped.
    const int count = 2 * kRate;
    SampleBuffer doc = sound(tones(count, {{100, 9000}, {1000, 6000}}), tones(count, {{100, 9000}, {1000, 3000}}), 100,
                             300);
    const int peaks[2] = {peakOf(doc.samples[0]), peakOf(doc.samples[1])};
    UndoHistory history;
    std::vector<int> positions;
    ASSERT_EQ(applyCleanLowFrequencies(doc, history, [&](int p, int) { positions.push_back(p); }), EditOutcome::Changed);
    EXPECT_TRUE(history.undoAvailable());
    EXPECT_EQ(peakOf(doc.samples[0]), peaks[0]);
    EXPECT_EQ(peakOf(doc.samples[1]), peaks[1]);

    const int begin = kRate / 2, length = kRate / 2; // 50 periods of 100 Hz
    // Left: both partials pass, and the peak restoration rescales nothing.
    EXPECT_NEAR(amplitudeAt(doc.samples[0], 100, begin, length) / amplitudeAt(doc.samples[0], 1000, begin, length),
                1.5, 0.01);
    // Right: 100 Hz, three times the 1000 Hz partial before, ends at least
    // 80 dB below it (half a unit for the 16-bit rounding).
    const double kept = amplitudeAt(doc.samples[1], 1000, begin, length);
    EXPECT_GT(kept, 0.5 * peaks[1]);
    EXPECT_LT(amplitudeAt(doc.samples[1], 100, begin, length), 3 * kept * 1e-4 + 0.5);
}

TEST(CleanLowFrequencies, ChannelsWithoutUsablePitchShortChannelsAndFullScale)
{
    // 32 Hz or no pitch: the channel is left exactly as it was.
    for (double pitch : {0.0, 32.0}) {
        std::vector<int16_t> x = tones(5000, {{20, 8000}, {300, 8000}});
        const std::vector<int16_t> before = x;
        EXPECT_FALSE(clean_channel(x.data(), 5000, kRate, pitch));
        EXPECT_EQ(x, before);
    }
    // A sound none of whose channels has a pitch above 32 Hz: nothing is
    // filtered, so nothing is taken either.
    SampleBuffer low = sound(tones(5000, {{20, 8000}}), tones(5000, {{30, 8000}}), 20, 32);
    const SampleBuffer lowBefore = low;
    UndoHistory history;
    EXPECT_EQ(applyCleanLowFrequencies(low, history), EditOutcome::Unchanged);
    EXPECT_FALSE(history.undoAvailable());
    EXPECT_EQ(low.samples[0], lowBefore.samples[0]);
    EXPECT_EQ(low.samples[1], lowBefore.samples[1]);
    // A channel reaching -32768 (peak 32768): the restored values clamp at
    // 32767 and never wrap to the other sign.
    std::vector<int16_t> loud = tones(20000, {{1000, 32767}});
    loud[5000] = -32768;
    loud[10000] = 32767;
    const std::vector<int16_t> before = loud;
    EXPECT_TRUE(clean_channel(loud.data(), 20000, kRate, 200));
    for (size_t i = 0; i < loud.size(); ++i)
        if (std::abs(before[i]) > 30000) {
            ASSERT_EQ(loud[i] > 0, before[i] > 0) << "frame " << i;
        }
    EXPECT_GE(peakOf(loud), 32767);
}

TEST(CleanLowFrequencies, StopEdgeIsDownByTheTwoPassesTogether)
{
    // Pitch 200 Hz: stop edge 100 Hz. A loud tone there beside a 2000 Hz
    // tone 60 dB weaker, so that what is left of 100 Hz stays well above
    // the 16-bit rounding. One pass gives about 82 dB at the edge; the two
    // passes together must give well over 100 dB (about 118 are measured
    // here, where the start transient sets the restored peak).
    const int count = 2 * kRate;
    std::vector<int16_t> x = tones(count, {{100, 30000}, {2000, 30}});
    ASSERT_TRUE(clean_channel(x.data(), count, kRate, 200));
    const int begin = kRate / 2, length = kRate; // whole periods of both
    const double edge = amplitudeAt(x, 100, begin, length);
    const double kept = amplitudeAt(x, 2000, begin, length);
    EXPECT_LT(20 * std::log10((edge / kept) / (30000.0 / 30)), -100.0);
}

TEST(EnhanceSmooth, GainEntryRules)
{
    struct Case {
        const char* text;
        const char* refusal; // nullptr: accepted
        int gain;
    };
    const Case cases[] = {{"5", nullptr, 5},       {"-18", nullptr, -18},    {"18", nullptr, 18},
                          {"0", nullptr, 0},       {"-", nullptr, 0},        {"007", nullptr, 7},
                          {"19", kEnterANumberInRange, 0},   {"-19", kEnterANumberInRange, 0},
                          {"100", kEnterANumberInRange, 0},  {"99999999999999999999", kEnterANumberInRange, 0},
                          {"", kEnterANumber, 0},  {"5a", kEnterANumber, 0}, {"+5", kEnterANumber, 0},
                          {"1-", kEnterANumber, 0}, {" 5", kEnterANumber, 0}, {"5.0", kEnterANumber, 0}};
    for (const Case& c : cases) {
        const EnhanceGainEntry e = parseEnhanceGain(c.text);
        if (c.refusal) {
            ASSERT_TRUE(e.refusal.has_value()) << '"' << c.text << '"';
            EXPECT_EQ(e.refusal->text, c.refusal) << '"' << c.text << '"';
        } else {
            EXPECT_FALSE(e.refusal.has_value()) << '"' << c.text << '"';
            EXPECT_EQ(e.gainDb, c.gain) << '"' << c.text << '"';
        }
    }
    EXPECT_STREQ(kEnterANumber, "Please, enter a number!");
    EXPECT_STREQ(kEnterANumberInRange, "Please, enter a number between -18 and 18.");
}

TEST(EnhanceSmooth, BoostsOrCutsTheChosenHarmonicOfEachChannel)
{
    const int count = kRate;
    const int begin = kRate / 2, length = kRate / 2;
    for (int gain : {5, -5}) {
        // Left 220 Hz: harmonic 3 is 660 Hz. Right has no pitch: unchanged.
        SampleBuffer doc = sound(tones(count, {{220, 6000}, {440, 6000}, {660, 6000}}),
                                 tones(count, {{660, 6000}}), 220, 0);
        const std::vector<int16_t> right = doc.samples[1];
        UndoHistory history;
        const EnhanceResult r = applyEnhanceSmooth(doc, history, 3, gain);
        ASSERT_EQ(r.outcome, EditOutcome::Changed);
        EXPECT_FALSE(r.refusal);
        EXPECT_TRUE(history.undoAvailable());
        EXPECT_NEAR(20 * std::log10(amplitudeAt(doc.samples[0], 660, begin, length) / 6000), gain, 0.02);
        // 440 Hz lies 16 bandwidths (13.75 Hz) away: almost untouched.
        EXPECT_NEAR(20 * std::log10(amplitudeAt(doc.samples[0], 440, begin, length) / 6000), 0, 0.05);
        EXPECT_EQ(doc.samples[1], right);
    }
    // No channel with a pitch: refused, nothing taken. Harmonic at or above
    // Nyquist (32 x 700 Hz > 22050 Hz): nothing done. Gain 0: nothing done.
    struct Quiet {
        double pitch;
        int harmonic;
        int gain;
        bool refused;
    };
    for (const Quiet& q : {Quiet{0, 1, 5, true}, Quiet{700, 32, 5, false}, Quiet{220, 1, 0, false}}) {
        SampleBuffer doc = sound(tones(1000, {{220, 6000}}), {}, q.pitch, 0);
        const std::vector<int16_t> before = doc.samples[0];
        UndoHistory history;
        const EnhanceResult r = applyEnhanceSmooth(doc, history, q.harmonic, q.gain);
        EXPECT_EQ(r.outcome, EditOutcome::Unchanged);
        EXPECT_EQ(r.refusal.has_value(), q.refused);
        if (q.refused) {
            EXPECT_EQ(r.refusal->text, "The pitch of the sound is unknown.");
        }
        EXPECT_FALSE(history.undoAvailable());
        EXPECT_EQ(doc.samples[0], before);
    }
}
