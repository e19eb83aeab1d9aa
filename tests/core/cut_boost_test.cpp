// The FFT options' window fitting, the cut/boost filter measured on steady
// sines, and the cut/boost spectrum bars against a known sine.

#include "document/SampleBuffer.h"
#include "document/undo_history.h"
#include "processing/cut_boost.h"
#include "processing/fft_options.h"
#include "views/cutboost_spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

SampleBuffer sineSound(int32_t frames, int32_t rate, double hz, double amplitude)
{
    SampleBuffer doc;
    doc.allocateSamples(1, frames);
    doc.sampleCount = frames;
    doc.sampleRate = rate;
    doc.channels = 1;
    for (int32_t i = 0; i < frames; ++i)
        doc.samples[0][i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * i / rate + 0.3)));
    return doc;
}

double rms(const std::vector<int16_t>& s, size_t from)
{
    double sum = 0.0;
    for (size_t i = from; i < s.size(); ++i)
        sum += double(s[i]) * s[i];
    return std::sqrt(sum / double(s.size() - from));
}

// Gain in dB of `applies` runs of the filter on a steady sine of `hz`,
// measured after the filter has settled.
double measuredGainDb(double hz, int gainDb, int freqPos, int widthPos, int n, int applies = 1)
{
    const int32_t rate = 44100;
    const SampleBuffer doc = sineSound(40000, rate, hz, 2000.0);
    CutBoostSession session(doc);
    for (int i = 0; i < applies; ++i)
        session.apply(gainDb, freqPos, widthPos, n);
    return 20.0 * std::log10(rms(session.copy(0), 8000) / rms(doc.samples[0], 8000));
}

} // namespace

TEST(FftOptions, WindowFittingAfterOk)
{
    struct Case {
        int32_t frames;
        int exponent;
        int32_t startMs;
        int expectedExponent;
    };
    // 44100 Hz throughout. Expected: the largest 1024 * 2^e with
    // window + start < frames, worked out by hand.
    const Case cases[] = {
        {132300, 6, 2000, 5}, // 3 s: 32768 + 88200 < 132300, 65536 + 88200 is not
        {40000, 6, 0, 5},     // 65536 on a short sound: 32768 is the largest that fits
        {32768, 6, 0, 4},     // a window as long as the sound does not fit
        {132300, 0, 1000, 0}, // a small window stays
    };
    for (const Case& c : cases) {
        SampleBuffer doc = sineSound(c.frames, 44100, 440.0, 1000.0);
        applyFftOptions(doc, c.exponent, c.startMs);
        EXPECT_EQ(doc.fftSizeExp, c.expectedExponent) << c.frames << " frames, start " << c.startMs;
        EXPECT_NEAR(doc.fftStartFraction * c.frames, c.startMs * 44.1, 1e-6);
    }
}

TEST(FftOptions, AStartAtOrPastTheEndStillLeavesAWindowInsideTheSound)
{
    struct Case {
        int32_t frames;
        int32_t startMs;
    };
    // 1 s sound with starts at, past and just before its end; sounds shorter
    // than 1024 and than 128 frames.
    const Case cases[] = {{44100, 1000}, {44100, 60000}, {44100, 999}, {900, 10}, {100, 0}, {100, 2}};
    for (const Case& c : cases) {
        SampleBuffer doc = sineSound(c.frames, 44100, 440.0, 1000.0);
        const FftOptionsRequest request = fftOptionsRequest(doc);
        EXPECT_GE(request.largestStartMs, 0);
        applyFftOptions(doc, 6, c.startMs);
        const double start = doc.fftStartFraction * c.frames;
        const double window = std::ldexp(1024.0, doc.fftSizeExp);
        EXPECT_GE(start, 0.0) << c.frames << " " << c.startMs;
        EXPECT_LT(start + window, c.frames) << c.frames << " " << c.startMs;
        if (c.frames > 129)
            EXPECT_GE(window, 128.0) << c.frames << " " << c.startMs;
        else
            EXPECT_GE(window, 32.0) << c.frames << " " << c.startMs;
    }
}

TEST(CutBoostFilter, TwoAppliesOfSixDbGiveTwelveAtTheCentreAndNothingFarAway)
{
    // N = 32768 at 44100 Hz: position 4096 is 5512.5 Hz, width 400 a
    // bandwidth of 67.29 Hz.
    const int n = 32768;
    EXPECT_NEAR(measuredGainDb(5512.5, 6, 4096, 400, n, 1), 6.0, 0.05);
    EXPECT_NEAR(measuredGainDb(5512.5, 6, 4096, 400, n, 2), 12.0, 0.05);
    EXPECT_NEAR(measuredGainDb(5512.5, -6, 4096, 400, n, 2), -12.0, 0.05);
    EXPECT_NEAR(measuredGainDb(200.0, 6, 4096, 400, n, 2), 0.0, 0.05);
    EXPECT_NEAR(measuredGainDb(5512.5, 0, 4096, 400, n, 2), 0.0, 1e-9);
}

TEST(CutBoostFilter, BandwidthIsAnEighthOfTheWidthShownForBoostsAndCuts)
{
    // The band edges, found on steady sines, lie 3 dB below a boost's peak,
    // 3 dB above a cut's dip, and at mid power, 10 log10((K^2 + 1) / 2) dB,
    // for gains within +-3 dB; their distance is rate * width * 0.125 / N.
    const int n = 32768;
    const int freqPos = 4096, widthPos = 2000;
    const double f0 = 44100.0 * freqPos / n;
    const double expected = 44100.0 * widthPos * 0.125 / n; // 336.4 Hz
    const double threeDb = 10.0 * std::log10(2.0);
    const struct {
        int gainDb;
        double edgeDb;
    } cases[] = {
        {12, 12.0 - threeDb},
        {-12, -12.0 + threeDb},
        {3, 10.0 * std::log10((std::pow(10.0, 0.3) + 1.0) / 2.0)},
        {-3, 10.0 * std::log10((std::pow(10.0, -0.3) + 1.0) / 2.0)},
    };
    for (const auto& c : cases) {
        auto inBand = [&](double hz) {
            const double g = measuredGainDb(hz, c.gainDb, freqPos, widthPos, n);
            return c.gainDb > 0 ? g > c.edgeDb : g < c.edgeDb;
        };
        auto edge = [&](double inside, double outside) {
            for (int i = 0; i < 22; ++i) {
                const double mid = 0.5 * (inside + outside);
                (inBand(mid) ? inside : outside) = mid;
            }
            return 0.5 * (inside + outside);
        };
        const double low = edge(f0, f0 - 2 * expected);
        const double high = edge(f0, f0 + 2 * expected);
        EXPECT_NEAR(high - low, expected, expected * 0.01) << c.gainDb << " dB";
    }
}

TEST(CutBoostFilter, OkCommitsOnlyWhatWasApplied)
{
    SampleBuffer doc = sineSound(20000, 44100, 1000.0, 3000.0);
    const std::vector<int16_t> original = doc.samples[0];
    UndoHistory history;
    CutBoostSession untouched(doc);
    EXPECT_FALSE(untouched.commit(doc, history));
    EXPECT_EQ(doc.samples[0], original);
    EXPECT_FALSE(history.undoAvailable());

    CutBoostSession session(doc);
    session.apply(9, 743, 100, 32768); // 1000 Hz
    EXPECT_EQ(doc.samples[0], original); // the copies alone changed
    ASSERT_TRUE(session.commit(doc, history));
    EXPECT_EQ(doc.samples[0], session.copy(0));
    EXPECT_GT(rms(doc.samples[0], 4000), 2.5 * rms(original, 4000));
    ASSERT_TRUE(history.undo(doc));
    EXPECT_EQ(doc.samples[0], original);
}

TEST(CutBoostDisplay, LabelsAndSliderConversions)
{
    EXPECT_EQ(cutBoostAttackSizeLabel(5), "(8. K)");
    EXPECT_EQ(cutBoostSustainSizeLabel(5), "(32. K)");
    EXPECT_EQ(cutBoostSustainSizeLabel(-2), "(0.25 K)");
    EXPECT_DOUBLE_EQ(cutBoostCentreHz(44100, 8192, 32768), 11025.0);
    EXPECT_NEAR(cutBoostWidthHz(44100, 10, 32768), 13.4583, 5e-5);
    EXPECT_NEAR(cutBoostBandwidthHz(44100, 10, 32768), 1.68228, 5e-6);
    EXPECT_EQ(cutBoostGainKind(-3), "(Cut)");
    EXPECT_EQ(cutBoostGainKind(0), "");
    EXPECT_EQ(cutBoostGainKind(5), "(Boost)");
}

TEST(CutBoostDisplay, SineShowsItsBarAtItsFrequencyAndLevel)
{
    // A half-scale sine (-6.02 dB) at 5000 Hz in a 4096-point frame, drawn
    // 400 px wide and 200 px high: its bar stands at column 5000 / 22050 * 400
    // and is (100 - 6.02) * 2 px high, within the window's scalloping.
    const int32_t rate = 44100;
    const SampleBuffer doc = sineSound(8192, rate, 5000.0, 16384.0);
    std::vector<int> bars;
    std::vector<Complex> frame;
    computeCutBoostBars(doc.samples[0].data(), doc.sampleCount, 1000, 4096, 400, 200, false, bars, frame);
    ASSERT_EQ(bars.size(), 400u);
    const auto peak = std::max_element(bars.begin(), bars.end());
    EXPECT_NEAR(peak - bars.begin(), 5000.0 / 22050.0 * 400, 1.0);
    EXPECT_NEAR(*peak, (100.0 - 6.02) * 2.0, 3.0);
    // Far from the sine only the window's floor remains.
    EXPECT_LT(bars[20], *peak / 2);

    // Stereo halves the scale; the pointer reads 0 dB at the top of each half.
    std::vector<int> stereoBars;
    computeCutBoostBars(doc.samples[0].data(), doc.sampleCount, 1000, 4096, 400, 200, true, stereoBars, frame);
    EXPECT_NEAR(stereoBars[peak - bars.begin()], *peak / 2.0, 1.0);
    EXPECT_EQ(cutBoostReadout(10, 0, 400, 200, 4096, rate, true).db, "0 dB");
    EXPECT_EQ(cutBoostReadout(10, 100, 400, 200, 4096, rate, true).db, "0 dB");
    EXPECT_EQ(cutBoostReadout(10, 150, 400, 200, 4096, rate, true).db, "-49 dB");
    EXPECT_EQ(cutBoostReadout(10, 150, 400, 200, 4096, rate, false).db, "-74 dB");
    EXPECT_EQ(cutBoostReadout(200, 10, 400, 200, 4096, rate, false).hz, "11025. Hz");
}
