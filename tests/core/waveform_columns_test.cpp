#include "views/waveform_columns.h"

#include "document/SampleBuffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace {

// Reference picture written independently of the view code: for each column
// the samples of [round(j * spp), round((j + 1) * spp)) clipped to N, their
// extremes scaled by height / 65536 (halved for stereo), rounded with
// trunc(x + 0.5), measured upward from the channel centre.
struct NaiveColumn {
    int minY;
    int maxY;
};

std::vector<NaiveColumn> naiveColumns(const std::vector<int16_t>& s, int width, int height, bool stereo, int channel)
{
    const double n = static_cast<double>(s.size());
    const double spp = n / width;
    const double scale = height / 65536.0 / (stereo ? 2.0 : 1.0);
    const int centre = stereo ? (channel == 0 ? height / 4 : 3 * height / 4) : height / 2;
    std::vector<NaiveColumn> out;
    for (int j = 0; j < width; ++j) {
        long first = static_cast<long>(j * spp + 0.5);
        long last = std::min<long>(static_cast<long>((j + 1) * spp + 0.5), static_cast<long>(s.size()));
        if (first >= last) {
            out.push_back({centre, centre});
            continue;
        }
        const auto [lo, hi] = std::minmax_element(s.begin() + first, s.begin() + last);
        out.push_back({centre - static_cast<int>(*lo * scale + 0.5), centre - static_cast<int>(*hi * scale + 0.5)});
    }
    return out;
}

std::vector<int16_t> noise(size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(-32768, 32767);
    std::vector<int16_t> v(n);
    for (auto& x : v)
        x = static_cast<int16_t>(d(rng));
    return v;
}

} // namespace

TEST(WaveformColumns, ShortSoundLeavesSampleFreeColumnsOnCentreLine)
{
    // N = 4 over 8 columns: spp = 0.5, so columns 0, 2, 4, 6 hold samples
    // 0..3 and the odd columns own none. Height 100: scale 100/65536.
    const std::vector<int16_t> s = {32767, -32768, 0, 16384};
    WaveformColumns wc;
    rebuildWaveformColumns(s.data(), nullptr, 1, 4, 8, 100, wc);
    ASSERT_EQ(wc.channelCount, 1);
    EXPECT_DOUBLE_EQ(wc.samplesPerPixel, 0.5);
    EXPECT_EQ(wc.centreY[0], 50);
    // 32767 -> 50 - trunc(49.998 + 0.5) = 0; -32768 -> 50 - trunc(-49.5) = 99;
    // 0 -> 50; 16384 -> 50 - trunc(25.5) = 25.
    const int expected[8] = {0, 50, 99, 50, 50, 50, 25, 50};
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(wc.minY[0][x], expected[x]) << "column " << x;
        EXPECT_EQ(wc.maxY[0][x], expected[x]) << "column " << x;
    }
}

TEST(WaveformColumns, MatchesNaiveMinMaxForManyWidths)
{
    for (size_t n : {1u, 7u, 100u, 727u, 5000u, 44101u}) {
        const auto s = noise(n, static_cast<unsigned>(n));
        for (int width : {1, 13, 726, 1000}) {
            WaveformColumns wc;
            rebuildWaveformColumns(s.data(), nullptr, 1, static_cast<int32_t>(n), width, 219, wc);
            const auto ref = naiveColumns(s, width, 219, false, 0);
            for (int x = 0; x < width; ++x) {
                ASSERT_EQ(wc.minY[0][x], ref[x].minY) << "n " << n << " width " << width << " column " << x;
                ASSERT_EQ(wc.maxY[0][x], ref[x].maxY) << "n " << n << " width " << width << " column " << x;
            }
        }
    }
}

TEST(WaveformColumns, StereoChannelsStayInTheirHalves)
{
    const size_t n = 30000;
    SampleBuffer sb;
    sb.allocate(2, static_cast<int32_t>(n));
    sb.channels = 2;
    sb.sampleCount = static_cast<int32_t>(n);
    sb.samples[0] = noise(n, 1);
    sb.samples[1] = noise(n, 2);
    // Full-scale extremes in both channels.
    sb.samples[0][10] = 32767;
    sb.samples[0][20] = -32768;
    sb.samples[1][10] = 32767;
    sb.samples[1][20] = -32768;

    const int height = 200;
    WaveformColumns wc;
    rebuildWaveformColumns(sb, 500, height, wc);
    ASSERT_EQ(wc.channelCount, 2);
    EXPECT_EQ(wc.centreY[0], 50);
    EXPECT_EQ(wc.centreY[1], 150);
    for (int c = 0; c < 2; ++c) {
        const auto ref = naiveColumns(sb.samples[c], 500, height, true, c);
        for (int x = 0; x < 500; ++x) {
            ASSERT_EQ(wc.minY[c][x], ref[x].minY);
            ASSERT_EQ(wc.maxY[c][x], ref[x].maxY);
            const int top = c == 0 ? 0 : height / 2;
            ASSERT_GE(wc.maxY[c][x], top);
            ASSERT_LE(wc.minY[c][x], top + height / 2);
        }
    }
    // Full scale reaches the edge of the half: 50 - trunc(49.999 + 0.5) = 0.
    EXPECT_EQ(wc.maxY[0][0], 0);
    EXPECT_EQ(wc.maxY[1][0], 100);
}

TEST(WaveformColumns, NoSoundOrNoWidthGivesAnEmptyPicture)
{
    const std::vector<int16_t> s(10, 0);
    WaveformColumns wc;
    rebuildWaveformColumns(s.data(), nullptr, 1, 0, 100, 100, wc);
    EXPECT_TRUE(wc.empty());
    rebuildWaveformColumns(s.data(), nullptr, 1, 10, 0, 100, wc);
    EXPECT_TRUE(wc.empty());
    SampleBuffer none;
    rebuildWaveformColumns(none, 100, 100, wc);
    EXPECT_TRUE(wc.empty());
}

TEST(WaveformColumns, SampleColumnMapping)
{
    EXPECT_EQ(columnOfSample(0, 10.0), 0);
    EXPECT_EQ(columnOfSample(14, 10.0), 1);  // 1.4 + 0.5
    EXPECT_EQ(columnOfSample(15, 10.0), 2);  // 1.5 + 0.5
    EXPECT_EQ(columnOfSample(-1, 10.0), 0);  // trunc(0.4)
    EXPECT_EQ(columnOfSample(-10, 10.0), 0); // trunc(-0.5) truncates toward zero
    EXPECT_EQ(markColumn(-100, 10.0), 0);
    EXPECT_EQ(sampleAtColumn(3, 2.5), 8);    // 7.5 + 0.5
    EXPECT_EQ(sampleAtColumn(0, 2.5), 0);
}

TEST(WaveformColumns, LoopPensByColumnRange)
{
    // spp = 10: loop (100, 500), X = 50 -> xSf 5, xS 10, xEf 45, xE 50.
    const LoopColumns lc = loopColumns(10.0, 100, 500, 50, true);
    EXPECT_EQ(lc.xSf, 5);
    EXPECT_EQ(lc.xS, 10);
    EXPECT_EQ(lc.xEf, 45);
    EXPECT_EQ(lc.xE, 50);
    EXPECT_TRUE(lc.startMarker());
    EXPECT_TRUE(lc.endMarker());
    EXPECT_EQ(lc.penAt(4), TracePen::Trace);
    EXPECT_EQ(lc.penAt(5), TracePen::PreLoopCrossfade);
    EXPECT_EQ(lc.penAt(9), TracePen::PreLoopCrossfade);
    EXPECT_EQ(lc.penAt(10), TracePen::Loop);
    EXPECT_EQ(lc.penAt(44), TracePen::Loop);
    EXPECT_EQ(lc.penAt(45), TracePen::EndCrossfade);
    EXPECT_EQ(lc.penAt(49), TracePen::EndCrossfade);
    EXPECT_EQ(lc.penAt(50), TracePen::Cut);
    EXPECT_EQ(loopColumns(10.0, 100, 500, 50, false).penAt(50), TracePen::Trace);

    // No crossfade: neither crossfade pen occurs in any column.
    const LoopColumns flat = loopColumns(10.0, 100, 500, 0, true);
    for (int x = 0; x < 100; ++x) {
        EXPECT_NE(flat.penAt(x), TracePen::PreLoopCrossfade);
        EXPECT_NE(flat.penAt(x), TracePen::EndCrossfade);
    }

    // No loop (-1, -1): one trace pen everywhere, no markers, no cut colour.
    const LoopColumns none = loopColumns(10.0, -1, -1, 200, true);
    EXPECT_FALSE(none.startMarker());
    for (int x = 0; x < 100; ++x)
        EXPECT_EQ(none.penAt(x), TracePen::Trace);
}

TEST(WaveformColumns, ReadOuts)
{
    // 44100 frames at 44100 Hz over 500 columns: column 250 is 500 ms.
    EXPECT_EQ(timeReadout(250, 44100, 44100, 500), "500 ms");
    EXPECT_EQ(timeReadout(0, 44100, 44100, 500), "0 ms");
    EXPECT_EQ(timeReadout(1, 1000, 1000, 3), "333 ms");
    EXPECT_EQ(timeReadout(10, 1000, 0, 3), "");

    // Mono, height 180: full scale is 100 px from the centre at 90.
    EXPECT_EQ(levelReadout(90, 180, 1), "-inf");
    EXPECT_EQ(levelReadout(80, 180, 1), "-19 dB");  // 20 log10(0.1) = -20; -20 + 0.5 truncates to -19
    EXPECT_EQ(levelReadout(140, 180, 1), "-5 dB");  // 20 log10(0.5) = -6.02 -> trunc(-5.52)
    EXPECT_EQ(levelReadout(0, 180, 1), "0 dB");     // 20 log10(0.9) = -0.92 -> trunc(-0.42)
    // Stereo, height 180: centres 45 and 135, full scale 50 px.
    EXPECT_EQ(levelReadout(45, 180, 2), "-inf");
    EXPECT_EQ(levelReadout(135, 180, 2), "-inf");
    EXPECT_EQ(levelReadout(110, 180, 2), "-5 dB");  // nearer centre 135, 25 px = 0.5
    EXPECT_EQ(levelReadout(50, 0, 1), "");

    EXPECT_EQ(sampleToMs(22050, 44100), 500);
    EXPECT_EQ(sampleToMs(22, 44100), 0);   // 0.4988 ms
    EXPECT_EQ(sampleToMs(23, 44100), 1);   // 0.5215 ms
    EXPECT_EQ(msToSample(500, 44100), 22050);
    EXPECT_EQ(msToSample(1, 44100), 44);   // 44.1 truncated
}

TEST(WaveformSelectionTest, NothingHappensWithoutASound)
{
    WaveformSelection sel;
    SelectionEffects fx;
    EXPECT_FALSE(sel.setAnchor(10, fx));
    EXPECT_FALSE(sel.setStart(10, fx));
    EXPECT_FALSE(sel.setEnd(10, fx));
    EXPECT_TRUE(fx.dirty.empty());
    EXPECT_TRUE(fx.searchTransitions.empty());
    EXPECT_EQ(sel.start(), 0);
    EXPECT_EQ(sel.end(), 0);
}

TEST(WaveformSelectionTest, DoubleClickBandReachesColumnOfLastSample)
{
    // N = 10000 over 700 columns.
    WaveformSelection sel;
    const int32_t n = 10000;
    const double spp = n / 700.0;
    sel.setGeometry(n, spp);
    SelectionEffects fx;
    sel.setStart(0, fx);
    sel.setEnd(n, fx);
    EXPECT_EQ(sel.start(), 0);
    EXPECT_EQ(sel.end(), n);
    EXPECT_EQ(sel.bandLeft(), 0);
    // Column of N - 1: trunc(9999 / 14.2857 + 0.5) = trunc(699.93 + 0.5) = 700.
    EXPECT_EQ(sel.bandRight(), 700);
    EXPECT_TRUE(sel.searchEnabled());
}

TEST(WaveformSelectionTest, SearchEnabledFollowsTheSelection)
{
    WaveformSelection sel;
    sel.setGeometry(1000, 1.0);
    SelectionEffects fx;
    // Starts set; an anchor makes an empty selection and clears it once.
    sel.setAnchor(100, fx);
    EXPECT_EQ(fx.searchTransitions, std::vector<bool>{false});
    fx.clear();
    sel.setAnchor(200, fx);
    EXPECT_TRUE(fx.searchTransitions.empty());
    sel.setEnd(300, fx);
    EXPECT_EQ(fx.searchTransitions, std::vector<bool>{true});
    fx.clear();
    sel.setEnd(250, fx);
    EXPECT_TRUE(fx.searchTransitions.empty());
    // Outside changes of the flag are respected: a finished search clears it
    // and the next growing selection sets it again.
    sel.setSearchEnabled(false);
    sel.setStart(210, fx);
    EXPECT_EQ(fx.searchTransitions, std::vector<bool>{true});
}

TEST(WaveformSelectionTest, StartPastTheEndFollowsWithTheEnd)
{
    WaveformSelection sel;
    sel.setGeometry(1000, 1.0);
    SelectionEffects fx;
    sel.setAnchor(100, fx);
    sel.setEnd(200, fx);
    fx.clear();
    // The start column passes the right edge: the left edge takes the old
    // right edge and the end follows to 500.
    sel.setStart(500, fx);
    EXPECT_EQ(sel.start(), 500);
    EXPECT_EQ(sel.end(), 500);
    EXPECT_EQ(sel.bandLeft(), 200);
    EXPECT_EQ(sel.bandRight(), 500);
    EXPECT_EQ(fx.searchTransitions, std::vector<bool>{false});

    // And the mirror case.
    sel.setAnchor(300, fx);
    sel.setEnd(400, fx);
    sel.setEnd(100, fx);
    EXPECT_EQ(sel.start(), 100);
    EXPECT_EQ(sel.end(), 100);
    EXPECT_EQ(sel.bandLeft(), 100);
    EXPECT_EQ(sel.bandRight(), 300);
}

TEST(WaveformSelectionTest, SelectionBeyondTheSoundDoesNotLoop)
{
    // A selection made on a longer sound survives a rebuild for a shorter one;
    // its edges beyond N must not hand the crossing back and forth for ever.
    WaveformSelection sel;
    sel.setGeometry(1000, 1.0);
    SelectionEffects fx;
    sel.setAnchor(900, fx);
    sel.setGeometry(100, 1.0);
    EXPECT_EQ(sel.bandLeft(), 900);
    sel.setEnd(950, fx);
    EXPECT_EQ(sel.end(), 950);
    sel.setStart(1000, fx);
    EXPECT_EQ(sel.start(), 1000);
    sel.setStart(0, fx);
    sel.setEnd(100, fx);
    EXPECT_EQ(sel.bandLeft(), 0);
    EXPECT_EQ(sel.bandRight(), 99);
}

TEST(WaveformSelectionTest, DirtySpansCoverOldAndNewBands)
{
    WaveformSelection sel;
    sel.setGeometry(1000, 2.0); // 500 columns
    SelectionEffects fx;
    sel.setAnchor(200, fx); // band 100..
    sel.setEnd(600, fx);    // ..300
    fx.clear();
    sel.setEnd(400, fx);    // band 100..200: columns 200..300 no longer covered
    auto covered = [&](int x) {
        for (const ColumnSpan& s : fx.dirty)
            if (x >= s.left && x <= s.right)
                return true;
        return false;
    };
    for (int x = 100; x <= 300; ++x)
        EXPECT_TRUE(covered(x)) << x;
    EXPECT_FALSE(covered(50));
    EXPECT_FALSE(covered(350));
}

TEST(WaveformSelectionTest, DragAcrossTheAnchorKeepsOnlyTheDraggedSide)
{
    WaveformSelection sel;
    sel.setGeometry(1000, 1.0);
    SelectionEffects fx;
    sel.setAnchor(500, fx);
    sel.dragTo(700, true, 500, fx); // right of the anchor moves the end
    EXPECT_EQ(sel.start(), 500);
    EXPECT_EQ(sel.end(), 700);
    sel.dragTo(300, false, 500, fx); // left moves the start; the end returns
    EXPECT_EQ(sel.start(), 300);
    EXPECT_EQ(sel.end(), 500);
    EXPECT_EQ(sel.bandLeft(), 300);
    EXPECT_EQ(sel.bandRight(), 500);
    sel.dragTo(800, true, 500, fx);
    EXPECT_EQ(sel.start(), 500);
    EXPECT_EQ(sel.end(), 800);
    EXPECT_TRUE(sel.searchEnabled());
    sel.dragTo(500, false, 500, fx); // back on the anchor: empty selection
    EXPECT_EQ(sel.start(), 500);
    EXPECT_EQ(sel.end(), 500);
    EXPECT_FALSE(sel.searchEnabled());
}

TEST(PlayCursor, ForwardLoopWraps)
{
    // Loop (100, 200): L = 100, covers 101..200.
    EXPECT_EQ(advancePlayCursor(150, 40, 3, 100, 200), 190);
    EXPECT_EQ(advancePlayCursor(190, 10, 3, 100, 200), 200);
    EXPECT_EQ(advancePlayCursor(200, 1, 3, 100, 200), 101);
    EXPECT_EQ(advancePlayCursor(190, 35, 5, 100, 200), 125);
    EXPECT_EQ(advancePlayCursor(190, 35, 2, 100, 200), 225); // one shot: no wrap
    EXPECT_EQ(advancePlayCursor(190, 35, 3, -1, -1), 225);   // no loop
    EXPECT_EQ(shownCursorSample(125, 3, 100, 200), 125);
}

TEST(PlayCursor, AlternateLoopRunsForwardThenBack)
{
    int64_t cursor = 100;
    std::vector<int64_t> shown;
    for (int i = 0; i < 40; ++i) {
        cursor = advancePlayCursor(cursor, 10, 4, 100, 200);
        shown.push_back(shownCursorSample(cursor, 4, 100, 200));
    }
    // 110 .. 200 forward, then 190 .. 100 back, then forward again.
    std::vector<int64_t> expected;
    for (int p = 110; p <= 200; p += 10)
        expected.push_back(p);
    for (int p = 190; p >= 100; p -= 10)
        expected.push_back(p);
    for (int p = 110; p <= 200; p += 10)
        expected.push_back(p);
    for (int p = 190; p >= 100; p -= 10)
        expected.push_back(p);
    EXPECT_EQ(shown, expected);
    for (int64_t p : shown) {
        EXPECT_GE(p, 100);
        EXPECT_LE(p, 200);
    }
}
