#include "dsp/spectrum_analysis.h"
#include "views/spectrum_display.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SpectrumColumns, LevelsFromTheLargestBinOfEachColumn)
{
    // N = 64 (32 bins), fundamental bin 2, width 32: J = 32 * 2 / 32 = 2 bins
    // per column, column k covering bins 2k and 2k + 1. 0 dB is
    // (64 / 16384) * 3200 = 12.5; height 100 gives 1 pixel per dB.
    std::vector<double> m(32, 0.0);
    m[6] = 12.5;      // column 3: 0 dB -> 100
    m[7] = 0.125;     // smaller, same column: ignored
    m[9] = 0.125;     // column 4: -40 dB -> 60
    m[11] = 0.03;     // column 5: at or below 0.032 -> 0
    m[13] = 0.0625;   // column 6: 20 log10(0.005) = -46.02 dB -> trunc(53.98 + 0.5) = 54
    std::vector<int32_t> col(32, -1);
    computeSpectrumColumns(m.data(), 64, 2.0, 32, 100, false, col.data());
    // Strip markers (harmonic h stands near column h) to read the levels.
    for (int32_t& c : col)
        c %= kMarkerFlag; // several markers may share a column this narrow
    EXPECT_EQ(col[3], 100);
    EXPECT_EQ(col[4], 60);
    EXPECT_EQ(col[5], 0);
    EXPECT_EQ(col[6], 54);
    EXPECT_EQ(col[0], 0);

    // Stereo halves the scale.
    computeSpectrumColumns(m.data(), 64, 2.0, 32, 100, true, col.data());
    for (int32_t& c : col)
        c %= kMarkerFlag; // several markers may share a column this narrow
    EXPECT_EQ(col[3], 50);
    EXPECT_EQ(col[4], 30);
}

TEST(SpectrumColumns, ColumnsWithoutBinsRepeatTheirLeftNeighbour)
{
    // Fundamental bin 1, width 64: J = 0.5; odd columns hold no bin.
    std::vector<double> m(32, 0.0);
    for (int b = 2; b < 32; ++b)
        m[b] = 12.5 / (b * b); // a falling spectrum, all above 0.032 up to bin 19
    std::vector<int32_t> col(64, -1), bare(64);
    computeSpectrumColumns(m.data(), 64, 1.0, 64, 100, false, col.data());
    for (int k = 0; k < 64; ++k)
        bare[k] = col[k] % kMarkerFlag;
    for (int k = 1; k < 64; k += 2)
        EXPECT_EQ(bare[k], bare[k - 1]) << k;
    EXPECT_GT(bare[4], 0);
}

TEST(SpectrumMarkers, MoveTowardTheHigherNeighbour)
{
    // Width 320: harmonic h starts at column 10h.
    std::vector<int32_t> col(320, 50);
    col[10] = 50; col[9] = 40; col[11] = 60;   // lower than its right: moves right
    col[20] = 50; col[19] = 40; col[21] = 30;  // a local peak: stays
    col[30] = 40; col[29] = 50; col[31] = 60;  // right above left: moves right
    col[40] = 40; col[39] = 50; col[41] = 45;  // left highest: moves left
    col[50] = 40; col[49] = 50; col[51] = 50;  // right equals left: moves right
    placeHarmonicMarkers(col.data(), 320);
    EXPECT_EQ(col[11], 60 + kMarkerFlag);
    EXPECT_EQ(col[10], 50);
    EXPECT_EQ(col[20], 50 + kMarkerFlag);
    EXPECT_EQ(col[31], 60 + kMarkerFlag);
    EXPECT_EQ(col[39], 50 + kMarkerFlag);
    EXPECT_EQ(col[51], 50 + kMarkerFlag);
    // 31 markers (x = 10h < 320 for h = 1 .. 31), the last on a flat stretch:
    // 310 moves right to 311.
    int markers = 0;
    for (int32_t c : col)
        markers += c >= kMarkerFlag;
    EXPECT_EQ(markers, 31);
    EXPECT_GE(col[311], kMarkerFlag);
}

TEST(SpectrumMarkers, NarrowDisplayStaysInBounds)
{
    std::vector<int32_t> col(8, 0);
    placeHarmonicMarkers(col.data(), 8); // x = h / 4 for h = 1 .. 31
    int total = 0;
    for (int32_t c : col)
        total += c / kMarkerFlag;
    EXPECT_EQ(total, 31);
}

namespace {

SpectrumDisplay readyDisplay(int channels, int width, int height)
{
    // N = 1024 (512 bins), fundamental bin 20: at width 320 each column holds
    // 2 bins and harmonic h sits at column 10h. Only the fundamental sounds,
    // at 0 dB ((1024 / 16384) * 3200 = 200).
    SpectrumAnalysis a;
    a.frameSize = 1024;
    a.channels = channels;
    a.sampleRate = 44100;
    for (int c = 0; c < channels; ++c) {
        a.magnitudes[c].assign(512, 0.0);
        a.magnitudes[c][20] = 200.0;
        a.fundamentalBin[c] = 20.0;
        a.channelHz[c] = c == 0 ? 100.0 : 150.0;
    }
    SpectrumDisplay d;
    d.setAnalysis(a, width, height);
    d.markReady();
    return d;
}

} // namespace

TEST(SpectrumPaint, NothingUntilReady)
{
    SpectrumDisplay d = readyDisplay(1, 320, 100);
    d.beginAnalysis();
    EXPECT_TRUE(d.strokes(320, 100).empty());
    SpectrumReadout r;
    EXPECT_FALSE(d.readout(10, 10, 320, 100, r));
}

TEST(SpectrumPaint, StereoBaselinesPensAndDivider)
{
    SpectrumDisplay d = readyDisplay(2, 320, 100);
    ASSERT_EQ(d.channelCount(), 2);
    EXPECT_EQ(d.selectedHarmonic(), 1);
    const std::vector<SpectrumStroke> s = d.strokes(320, 100);
    ASSERT_FALSE(s.empty());
    // Stereo: baselines at 50 and 100, heights up to 50 per half.
    int upper = 0, lower = 0, selected = 0;
    for (const SpectrumStroke& st : s) {
        if (st.pen == SpectrumPen::Divider) {
            EXPECT_EQ(st.y0, 50);
            EXPECT_EQ(st.y1, 50);
            EXPECT_EQ(st.x0, 0);
            EXPECT_EQ(st.x1, 320);
            EXPECT_EQ(&st, &s.back());
            continue;
        }
        EXPECT_EQ(st.x0, st.x1);
        if (st.y0 == 49)
            ++upper;
        else if (st.y0 == 99)
            ++lower;
        else
            ADD_FAILURE() << "baseline " << st.y0;
        // Only column 10 (bin 20, 0 dB) has height: it carries marker 1, the
        // selected one, drawn from baseline - 1 to baseline - 50. The other
        // markers stand on zero-height columns and draw nothing.
        EXPECT_EQ(st.pen, SpectrumPen::SelectedMarker);
        EXPECT_EQ(st.x0, 10);
        EXPECT_EQ(st.y0 - st.y1, 49);
        ++selected;
    }
    EXPECT_EQ(upper, 1);
    EXPECT_EQ(lower, 1);
    EXPECT_EQ(selected, 2);

    // Another selection: the same column is now an ordinary marker.
    d.setSelectedHarmonic(2);
    for (const SpectrumStroke& st : d.strokes(320, 100)) {
        if (st.pen != SpectrumPen::Divider) {
            EXPECT_EQ(st.pen, SpectrumPen::Marker);
        }
    }
    // Mono: one baseline at the bottom, no divider.
    SpectrumDisplay mono = readyDisplay(1, 320, 100);
    const std::vector<SpectrumStroke> m = mono.strokes(320, 100);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].y0, 99);
    EXPECT_EQ(m[0].y1, 0);
}

TEST(SpectrumClick, OnOrJustLeftOfAMarkerSelectsIt)
{
    // Width 320: c = 10, harmonic n at x = 10n.
    EXPECT_EQ(spectrumHarmonicAt(50, 320), 5);
    EXPECT_EQ(spectrumHarmonicAt(48, 320), 5); // 2 pixels left
    EXPECT_EQ(spectrumHarmonicAt(51, 320), 5);
    EXPECT_EQ(spectrumHarmonicAt(52, 320), 0); // 2 pixels right
    EXPECT_EQ(spectrumHarmonicAt(47, 320), 0);
    EXPECT_EQ(spectrumHarmonicAt(0, 320), 0);  // no harmonic 0
    EXPECT_EQ(spectrumHarmonicAt(319, 320), 32);
    // A width that is not a multiple of 32: c = 12.5, harmonic 3 at 37.5.
    EXPECT_EQ(spectrumHarmonicAt(36, 400), 3);
    EXPECT_EQ(spectrumHarmonicAt(35, 400), 0);
    EXPECT_EQ(spectrumHarmonicAt(38, 400), 3);
    EXPECT_EQ(spectrumHarmonicAt(39, 400), 0);

    SpectrumDisplay empty;
    EXPECT_EQ(empty.click(50, 320), 0);
    SpectrumDisplay d = readyDisplay(1, 320, 100);
    EXPECT_EQ(d.click(78, 320), 8);
    EXPECT_EQ(d.selectedHarmonic(), 8);
    EXPECT_EQ(d.click(83, 320), 0);
    EXPECT_EQ(d.selectedHarmonic(), 8);
}

TEST(SpectrumReadout, FrequencyAndLevelPerHalf)
{
    const double hz[2] = {100.0, 150.0};
    // Mono: (x + 1) * 32 * f / W; level from the top of the whole display.
    SpectrumReadout r = spectrumReadoutAt(319, 50, 320, 100, 1, hz);
    EXPECT_DOUBLE_EQ(r.frequencyHz, 3200.0);
    EXPECT_EQ(r.frequencyText, "3200. Hz");
    EXPECT_EQ(r.levelDb, -49); // trunc(-50 + 0.5)
    EXPECT_EQ(r.levelText, "-49 dB");
    r = spectrumReadoutAt(9, 0, 320, 100, 1, hz);
    EXPECT_DOUBLE_EQ(r.frequencyHz, 100.0);
    EXPECT_EQ(r.levelDb, 0);
    // Stereo: the lower half reads the second channel and restarts at 0 dB.
    r = spectrumReadoutAt(9, 10, 320, 100, 2, hz);
    EXPECT_DOUBLE_EQ(r.frequencyHz, 100.0);
    EXPECT_EQ(r.levelDb, -19); // trunc(-20 + 0.5)
    r = spectrumReadoutAt(9, 50, 320, 100, 2, hz);
    EXPECT_DOUBLE_EQ(r.frequencyHz, 150.0);
    EXPECT_EQ(r.levelDb, 0);
    r = spectrumReadoutAt(9, 75, 320, 100, 2, hz);
    EXPECT_EQ(r.levelDb, -49);

    SpectrumDisplay d = readyDisplay(2, 320, 100);
    ASSERT_TRUE(d.readout(9, 75, 320, 100, r));
    EXPECT_DOUBLE_EQ(r.frequencyHz, 150.0);
}

TEST(SpectrumDisplayModel, PitchZeroDrawsNothingAndDividesByNothing)
{
    SpectrumAnalysis a;
    a.frameSize = 64;
    a.channels = 1;
    a.magnitudes[0].assign(32, 1.0); // fundamental bin 0: pitch 0 Hz
    SpectrumDisplay d;
    d.setAnalysis(a, 320, 100);
    d.markReady();
    for (int32_t c : d.columns(0))
        EXPECT_EQ(c % kMarkerFlag, 0);
    SpectrumReadout r;
    ASSERT_TRUE(d.readout(100, 10, 320, 100, r));
    EXPECT_EQ(r.frequencyHz, 0.0);
}
