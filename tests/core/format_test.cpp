#include "document/SampleBuffer.h"
#include "document/format.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(FormatInteger, GroupsThousandsWithOneSeparator)
{
    EXPECT_EQ(formatInteger(48000, true), "48.000");
    EXPECT_EQ(formatInteger(44100, true), "44.100");
    EXPECT_EQ(formatInteger(1024, true), "1.024");
    EXPECT_EQ(formatInteger(1234567, true), "1234.567");
    EXPECT_EQ(formatInteger(999, true), "999");
    EXPECT_EQ(formatInteger(44100, false), "44100");
    EXPECT_EQ(formatInteger(-5000, true), "-5000");
}

TEST(FormatSignificant, FixedPointKeepsThePoint)
{
    EXPECT_EQ(formatSignificant(440.0, 6), "440.");
    EXPECT_EQ(formatSignificant(1658.7812, 6), "1658.78");
    EXPECT_EQ(formatSignificant(0.5, 6), "0.5");
    EXPECT_EQ(formatSignificant(-6.0, 4), "-6.");
    EXPECT_EQ(formatSignificant(123456.4, 6), "123456.");
    EXPECT_EQ(formatSignificant(200.998, 6), "200.998");
}

TEST(FormatSignificant, ExponentFormOutsideTheFixedRange)
{
    // 0.05 has e = -1: exponent notation, three-digit exponent.
    EXPECT_EQ(formatSignificant(0.05, 6), "5.e-002");
    EXPECT_EQ(formatSignificant(1234567.0, 6), "1.23457e+006");
    // 999999.7 rounds to 1.00000e+06: seven integer digits.
    EXPECT_EQ(formatSignificant(999999.7, 6), "1.e+006");
}

TEST(DerivedValues, DurationInfoAndTitle)
{
    EXPECT_EQ(durationMs(44100, 44100), 1000);
    EXPECT_EQ(durationMs(1, 2000), 1); // 0.5 ms rounds up
    EXPECT_EQ(durationMs(1, 3000), 0);
    SampleBuffer doc;
    doc.sampleRate = 44100;
    doc.bitsPerSample = 16;
    doc.channels = 2;
    EXPECT_EQ(fileInformationText(doc), "44.100 Hz; 16 bit; Stereo");
    doc.channels = 1;
    doc.bitsPerSample = 8;
    doc.sampleRate = 22050;
    EXPECT_EQ(fileInformationText(doc), "22.050 Hz; 8 bit; Mono");
    EXPECT_EQ(windowTitle("Flute C4"), "Ringtide - [Flute C4]");
}

TEST(MidiNote, NotesAndNames)
{
    EXPECT_EQ(midiNoteOf(440.0), 69);
    EXPECT_EQ(midiNoteOf(8.175798915), 0);
    EXPECT_EQ(midiNoteOf(0.0), 0);
    EXPECT_EQ(midiNoteOf(261.6255653), 60);
    // Halfway between 69 and 70 (a quarter tone above A4) rounds up.
    EXPECT_EQ(midiNoteOf(440.0 * std::pow(2.0, 0.5 / 12.0) * 1.0000001), 70);
    EXPECT_EQ(note31Of(440.0), static_cast<int>(31.0 * std::log2(440.0 / 8.175798915) + 0.5));
    EXPECT_EQ(midiNoteName(0), "C-1 (0)");
    EXPECT_EQ(midiNoteName(1), "C#-1 (1)");
    EXPECT_EQ(midiNoteName(60), "C4 (60)");
    EXPECT_EQ(midiNoteName(69), "A4 (69)");
    EXPECT_EQ(midiNoteName(126), "F#9 (126)");
    EXPECT_EQ(midiNoteName(127), "G9 (127)");
}

TEST(SampleBuffer, StartStateAndPitchMean)
{
    SampleBuffer doc;
    EXPECT_EQ(doc.channels, 0);
    EXPECT_EQ(doc.detectedNote, 60);
    EXPECT_EQ(doc.fftSizeExp, 4);
    EXPECT_DOUBLE_EQ(doc.fftStartFraction, 0.33);
    for (int i = 0; i < SolutionTable::kSlots; ++i) {
        EXPECT_EQ(doc.loops.loopStart[i], -1);
        EXPECT_EQ(doc.loops.loopEnd[i], -1);
    }
    EXPECT_TRUE(doc.isSaved);
    EXPECT_TRUE(doc.loopForward);

    doc.channels = 2;
    doc.channelPitch[0] = 200.0;
    doc.channelPitch[1] = 800.0;
    doc.updatePitchHz();
    EXPECT_DOUBLE_EQ(doc.pitchHz, 400.0);

    doc.loops.loopStart[0] = -1;
    doc.loops.loopEnd[0] = 0;
    EXPECT_FALSE(doc.loops.hasLoop(0));
}
