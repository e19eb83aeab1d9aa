// The BPM machine's arithmetic and the manual pitch dialog's spectrum,
// read-outs and profile rule. Expected values are worked out by hand from
// D = b * (60 / tempo) * measures and f = R * bin / N.

#include "document/SampleBuffer.h"
#include "document/undo_history.h"
#include "dsp/manual_pitch.h"
#include "loop/bpm.h"
#include "views/manual_pitch_display.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

BpmSettings bpm(int beatValue, int beats, int measures, double tempo)
{
    BpmSettings s;
    s.beatValueIndex = beatValue;
    s.beatsPerMeasure = static_cast<int16_t>(beats);
    s.measures = static_cast<int16_t>(measures);
    s.tempo = tempo;
    return s;
}

// A mono 44.1 kHz sound of `frames` frames with the loop (start, end) in slot 0.
SampleBuffer loopedSound(int32_t frames, int32_t start, int32_t end, double pitchHz)
{
    SampleBuffer doc;
    doc.allocate(1, frames);
    doc.channels = 1;
    doc.sampleCount = frames;
    doc.sampleRate = 44100;
    doc.bitsPerSample = 16;
    doc.blockAlign = 2;
    for (int32_t i = 0; i < frames; ++i)
        doc.samples[0][static_cast<size_t>(i)] = static_cast<int16_t>(i % 200 - 100);
    doc.loops.loopStart[0] = start;
    doc.loops.loopEnd[0] = end;
    doc.loops.currentSolution = 0;
    doc.channelPitch[0] = pitchHz;
    doc.updatePitchHz();
    return doc;
}

} // namespace

TEST(BpmMachine, NewRateIsTheLoopOverItsDuration)
{
    struct Case {
        int32_t loop;
        BpmSettings settings;
        double rate;
    } cases[] = {
        // 4/4, one measure at 240 BPM lasts 1 s.
        {44100, bpm(0, 4, 1, 240.0), 44100.0},
        // Two measures: 2 s.
        {44100, bpm(0, 4, 2, 240.0), 22050.0},
        // 6/8 counts two dotted-quarter beats: 2 * 1 s at 60 BPM.
        {88200, bpm(1, 6, 1, 60.0), 44100.0},
        // 2/8 is two thirds of a beat, not zero: (2/3) * 0.5 s = 1/3 s.
        {44100, bpm(1, 2, 1, 120.0), 132300.0},
        // 1/8 at 400 BPM over 10 s of loop: (1/3) * 0.15 s = 0.05 s.
        {441000, bpm(1, 1, 1, 400.0), 8820000.0},
        // 32/4, 32 measures at 20 BPM over 1000 samples: 3072 s, rounds to 0.
        {1000, bpm(0, 32, 32, 20.0), 0.0},
        // Rounded: 44100 / (4 * 60/250) = 45937.5 -> 45938.
        {44100, bpm(0, 4, 1, 250.0), 45938.0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bpm_sample_rate(c.loop, c.settings), c.rate) << c.loop << " samples at " << c.settings.tempo;
}

TEST(BpmMachine, ProposalIsFourFourWithTheFirstTempoFromSixty)
{
    struct Case {
        int32_t loop;
        int measures;
        double tempo;
    } cases[] = {
        {44100, 1, 240.0},     // one second: 4 beats in 1 s
        {1000, 1, 400.0},      // 10584 BPM for one measure: capped
        {44100 * 5, 2, 96.0},  // 48 BPM for one measure, 96 for two
        {44100 * 8, 2, 60.0},  // exactly 60 for two
        {44100 * 130, 33, 240.0 * 33 / 130}, // more measures than the dialog takes
    };
    for (const Case& c : cases) {
        const BpmSettings s = bpm_proposal(c.loop, 44100);
        EXPECT_EQ(s.beatValueIndex, 0);
        EXPECT_EQ(s.beatsPerMeasure, 4);
        EXPECT_EQ(s.measures, c.measures) << c.loop;
        EXPECT_NEAR(s.tempo, c.tempo, 1e-9) << c.loop;
    }
}

TEST(BpmMachine, AppliedRateMovesThePitchAndIsUndoable)
{
    SampleBuffer doc = loopedSound(50000, 999, 45099, 440.0); // loop of 44100 samples
    const std::vector<int16_t> before = doc.samples[0];
    UndoHistory history;

    // The proposal for a one-second loop gives the rate it has: no edit.
    BpmResult r = applyBpmMachine(doc, history, bpm_proposal(44100, 44100));
    EXPECT_EQ(r.outcome, BpmOutcome::Unchanged);
    EXPECT_FALSE(history.undoAvailable());
    EXPECT_EQ(doc.sampleRate, 44100);

    // Two seconds for the same loop: half the rate, half the pitch.
    r = applyBpmMachine(doc, history, bpm(0, 4, 2, 240.0));
    EXPECT_EQ(r.outcome, BpmOutcome::Changed);
    EXPECT_EQ(doc.sampleRate, 22050);
    EXPECT_DOUBLE_EQ(doc.channelPitch[0], 220.0);
    EXPECT_DOUBLE_EQ(doc.pitchHz, 220.0);
    EXPECT_EQ(doc.samples[0], before);
    EXPECT_EQ(doc.loops.loopStart[0], 999);
    EXPECT_EQ(doc.loops.loopEnd[0], 45099);
    ASSERT_TRUE(history.undo(doc));
    EXPECT_EQ(doc.sampleRate, 44100);
    EXPECT_DOUBLE_EQ(doc.pitchHz, 440.0);
}

TEST(BpmMachine, RatesNoSoundCanHaveAreRefusedWithoutAnEdit)
{
    // 1000 samples as 32 measures of 32 beats at 20 BPM: 3072 s, 0.33 Hz;
    // 441000 samples as a third of a beat at 400 BPM: 0.05 s, 8820000 Hz.
    const struct {
        int32_t loop;
        BpmSettings settings;
        const char* rateText;
    } cases[] = {{1000, bpm(0, 32, 32, 20.0), "0"}, {441000, bpm(1, 1, 1, 400.0), "8820.000"}};
    for (const auto& c : cases) {
        SampleBuffer doc = loopedSound(450000, 0, c.loop, 440.0);
        UndoHistory history;
        const BpmResult r = applyBpmMachine(doc, history, c.settings);
        EXPECT_EQ(r.outcome, BpmOutcome::OutOfRange);
        EXPECT_EQ(bpmRateOutOfRangeMessage(r.newRate).text,
                  std::string("The new sample rate would be ") + c.rateText +
                      " Hz; it must lie between 1 and 768.000 Hz.");
        EXPECT_EQ(doc.sampleRate, 44100);
        EXPECT_DOUBLE_EQ(doc.pitchHz, 440.0);
        EXPECT_FALSE(history.undoAvailable());
    }
}

TEST(ManualPitch, NoteTextsAreTheFirstThreeCharactersOfTheNoteName)
{
    auto noteHz = [](int note) { return 8.175798915 * std::pow(2.0, note / 12.0); };
    EXPECT_EQ(manualPitchNoteText(noteHz(49)), "(C#3)");
    EXPECT_EQ(manualPitchNoteText(noteHz(48)), "(C3 )");
    EXPECT_EQ(manualPitchNoteText(440.0), "(A4 )");
    EXPECT_EQ(manualPitchNoteText(noteHz(127)), "(G9 )");
    EXPECT_EQ(manualPitchNoteText(noteHz(128)), "");
    // Slider at 0: 0 Hz, note 0.
    EXPECT_EQ(manualPitchFrequency(0, 44100, 16384), 0.0);
    EXPECT_EQ(manualPitchNoteText(0.0), "(C-1)");
    // One bin is R / N.
    EXPECT_DOUBLE_EQ(manualPitchFrequency(101, 44100, 16384) - manualPitchFrequency(100, 44100, 16384),
                     44100.0 / 16384.0);
}

TEST(ManualPitch, ProfilesFollowOnlyAMoveOfMoreThanFivePercent)
{
    struct Case {
        double oldHz, newHz;
        bool restart;
    } cases[] = {
        {440.0, 440.0, false}, {440.0, 460.0, false}, {440.0, 420.0, false},
        {440.0, 440.0 * 1.05, false}, // exactly the tolerance
        {440.0, 470.0, true},  {440.0, 415.0, true},  {440.0, 880.0, true}, {440.0, 220.0, true},
        {0.0, 440.0, true}, // a sound that had no pitch
    };
    for (const Case& c : cases)
        EXPECT_EQ(pitchMovedBeyondProfileTolerance(c.oldHz, c.newHz), c.restart) << c.oldHz << " -> " << c.newHz;
}

TEST(ManualPitch, SpectrumKeepsTheLowestBins)
{
    // A sine centred on bin 3 (8.07 Hz at 44.1 kHz, N = 16384): the pitch
    // detector's spectrum cuts everything up to 20 Hz, the dialog's must not.
    const int n = 16384;
    std::vector<int16_t> x(40000);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<int16_t>(16000 * std::sin(2 * M_PI * 3.0 * static_cast<double>(i) / n));
    ManualPitchSound s;
    s.channels = 1;
    s.samples[0] = x.data();
    s.sampleCount = static_cast<int32_t>(x.size());
    s.sampleRate = 44100;
    s.frameSize = n;
    s.startSample = 20000;
    std::vector<Complex> frame(n);
    std::vector<double> m(n / 2);
    manual_pitch_magnitudes(s, 0, frame.data(), m.data());
    // Bins far from the tone hold nothing above the noise floor.
    EXPECT_EQ(std::max_element(m.begin(), m.end()) - m.begin(), 3);
    EXPECT_EQ(m[n / 4], 0.0);
}

TEST(ManualPitch, ColumnsSpanTheWholeSpectrum)
{
    // N = 16: 8 bins. Full scale (0 dB) fills the height, a silent bin gives 0.
    const int n = 16;
    const double full = n / 16384.0 * 3200.0;
    const double m[8] = {full, 0.0, full, full, 0.0, 0.0, 0.0, full};
    // Four columns of two bins: the largest of each pair.
    int32_t c4[4];
    computeManualPitchColumns(m, n, 4, 100, false, c4);
    EXPECT_EQ(std::vector<int32_t>(c4, c4 + 4), (std::vector<int32_t>{100, 100, 0, 100}));
    // Stereo halves: 0 dB fills half the height.
    computeManualPitchColumns(m, n, 4, 100, true, c4);
    EXPECT_EQ(c4[0], 50);
    // Sixteen columns over eight bins: x covers bins round(x/2) .. round((x+1)/2) - 1,
    // so the columns without a bin of their own repeat their left neighbour.
    int32_t c16[16];
    computeManualPitchColumns(m, n, 16, 100, false, c16);
    EXPECT_EQ(std::vector<int32_t>(c16, c16 + 16),
              (std::vector<int32_t>{100, 100, 0, 0, 100, 100, 100, 100, 0, 0, 0, 0, 0, 0, 100, 100}));
}

TEST(ManualPitch, MarkersAndClicksMapBinsToColumns)
{
    // 8192 bins over 300 columns: the top bin would round to column 300.
    EXPECT_EQ(manualPitchMarkerColumn(8191, 16384, 300), 299);
    EXPECT_EQ(manualPitchMarkerColumn(0, 16384, 300), 0);
    EXPECT_EQ(manualPitchMarkerColumn(8192.0 / 300 * 150, 16384, 300), 150);
    EXPECT_DOUBLE_EQ(manualPitchBinAt(150, 16384, 300), 8192.0 / 2);
    // The lower half of a stereo view is channel 2; mono is always channel 1.
    EXPECT_EQ(manualPitchChannelAt(10, 200, 2), 0);
    EXPECT_EQ(manualPitchChannelAt(150, 200, 2), 1);
    EXPECT_EQ(manualPitchChannelAt(150, 200, 1), 0);

    // The marker of the top bin is painted on the last column.
    std::vector<int16_t> x(16384, 0);
    for (size_t i = 0; i < x.size(); ++i)
        x[i] = static_cast<int16_t>(i % 2 ? 20000 : -20000); // all at Nyquist
    ManualPitchSound s;
    s.channels = 1;
    s.samples[0] = x.data();
    s.sampleCount = 16384;
    s.sampleRate = 44100;
    s.frameSize = 16384;
    ManualPitchDisplay display;
    display.setSound(s);
    ASSERT_TRUE(display.prepare(300, 100));
    const double bins[2] = {8191.0, 0.0};
    bool marker = false;
    for (const SpectrumStroke& st : display.strokes(300, 100, bins))
        if (st.pen == SpectrumPen::SelectedMarker)
            marker = st.x0 == 299 && st.y0 == 99 && st.y1 < 99;
    EXPECT_TRUE(marker);
}
