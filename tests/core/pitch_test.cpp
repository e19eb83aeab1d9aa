#include "document/SampleBuffer.h"
#include "document/format.h"
#include "dsp/pitch.h"
#include "dsp/spectrum.h"
#include "dsp/spectrum_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

// A mono or stereo sound of `frames` frames at 44.1 kHz; harmonics[c][h] is
// the amplitude of harmonic h + 1 of channel c (full scale 1.0).
SampleBuffer makeTone(int frames, const std::vector<double>& fundamentalHz,
                      const std::vector<std::vector<double>>& harmonics)
{
    SampleBuffer doc;
    const int channels = static_cast<int>(fundamentalHz.size());
    doc.allocate(static_cast<int16_t>(channels), frames);
    doc.channels = static_cast<int16_t>(channels);
    doc.sampleCount = frames;
    doc.sampleRate = 44100;
    doc.bitsPerSample = 16;
    for (int c = 0; c < channels; ++c) {
        for (int i = 0; i < frames; ++i) {
            double v = 0;
            for (size_t h = 0; h < harmonics[c].size(); ++h)
                v += harmonics[c][h] * std::sin(2 * kPi * (h + 1) * fundamentalHz[c] * i / 44100.0 + 0.3 * h);
            doc.samples[c][i] = static_cast<int16_t>(std::lround(v * 32767.0));
        }
    }
    return doc;
}

double binWidthHz(const SpectrumAnalysis& a)
{
    return static_cast<double>(a.sampleRate) / a.frameSize;
}

} // namespace

TEST(CombSearch, EqualSumsGoToTheHigherCandidate)
{
    // N = 64: 32 magnitudes. Only bin 10 is present. Candidates 9.5, 9.75, 10,
    // 10.25 all round onto it (equal sums); 10.5 rounds to 11 and collects
    // nothing. The last of the equal ones wins.
    std::vector<double> m(32, 0.0);
    m[10] = 1.0;
    EXPECT_EQ(harmonic_comb_search(64, m.data(), 0.5, 9.5, 10.5, 0.25, 99.0), 10.25);
}

TEST(CombSearch, LessSparseCandidateWinsWithinFactorOf115)
{
    // Harmonics of spacing 8 at bins 8, 16, 24 (1.0 each) plus a small peak at
    // bin 4. Candidate 4 collects bins 4, 8, 16, 24 (multiples 1, 2, 4, 6:
    // sparseness 6/4 = 1.5); candidate 8 collects 8, 16, 24 (sparseness 1,
    // sum 3). Candidate 8 wins while 3 > (3 + m[4]) / 1.15, i.e. m[4] < 0.45.
    std::vector<double> m(32, 0.0);
    m[8] = m[16] = m[24] = 1.0;
    m[4] = 0.44;
    EXPECT_EQ(harmonic_comb_search(64, m.data(), 0.05, 4.0, 8.0, 4.0, 99.0), 8.0);
    m[4] = 0.46;
    EXPECT_EQ(harmonic_comb_search(64, m.data(), 0.05, 4.0, 8.0, 4.0, 99.0), 4.0);
    // Only magnitudes strictly above the level count.
    m[4] = 0.44;
    EXPECT_EQ(harmonic_comb_search(64, m.data(), 1.0, 4.0, 8.0, 4.0, 99.0), 8.0); // no hits at all: ties
}

TEST(CombSearch, SameSparsenessNeedsTheLargerSum)
{
    // Candidate 5 hits bins 5, 10 (sum 2, s = 1); candidate 6 hits bins 6, 12
    // (sum 1.9, s = 1): within 1.15 but not less sparse, so 5 stays.
    std::vector<double> m(32, 0.0);
    m[5] = m[10] = 1.0;
    m[6] = m[12] = 0.95;
    EXPECT_EQ(harmonic_comb_search(64, m.data(), 0.1, 5.0, 6.0, 1.0, 99.0), 5.0);
}

TEST(CombSearch, TopMultipleReadsTheLastButOneBin)
{
    // Candidate 10 hits bin 30; candidate 31's only multiple rounds to 31,
    // which reads bin N/2 - 2 = 30 as well: equal sums, so 31 wins.
    std::vector<double> m(32, 0.0);
    m[30] = 1.0;
    EXPECT_EQ(harmonic_comb_search(64, m.data(), 0.5, 10.0, 31.0, 21.0, 99.0), 31.0);
}

TEST(CombSearch, NoCandidateGivesTheDefault)
{
    std::vector<double> m(32, 1.0);
    EXPECT_EQ(harmonic_comb_search(64, m.data(), 0.5, 12.0, 11.0, 0.1, 7.0), 7.0);
    // A step that would never advance, or a spacing of 0, cannot be searched.
    EXPECT_EQ(harmonic_comb_search(64, m.data(), 0.5, 10.0, 11.0, 0.0, 7.0), 7.0);
    EXPECT_EQ(harmonic_comb_search(64, m.data(), 0.5, 0.0, 11.0, 0.1, 7.0), 7.0);
}

TEST(DetectPitch, HarmonicToneWithStrongSecondHarmonicIsFoundAtItsFundamental)
{
    const double f0 = 220.0;
    SampleBuffer doc = makeTone(40000, {f0}, {{0.2, 0.4, 0.2, 0.1}});
    SpectrumAnalysis a;
    ASSERT_TRUE(analyseSpectrum(doc, nullptr, a));
    EXPECT_EQ(a.frameSize, 16384);
    EXPECT_NEAR(doc.channelPitch[0], f0, 0.5 * binWidthHz(a));
    EXPECT_EQ(a.channelHz[0], doc.channelPitch[0]);
    EXPECT_DOUBLE_EQ(a.channelHz[0], a.fundamentalBin[0] * 44100.0 / 16384);
}

TEST(DetectPitch, PureSineLandsInItsPeakBin)
{
    for (double hz : {300.0, 1000.0, 1234.5}) {
        SampleBuffer doc = makeTone(40000, {hz}, {{0.5}});
        SpectrumAnalysis a;
        ASSERT_TRUE(analyseSpectrum(doc, nullptr, a));
        // The peak bin from the magnitudes, found here independently.
        const std::vector<double>& m = a.magnitudes[0];
        size_t peak = 0;
        for (size_t i = 0; i < m.size(); ++i)
            if (m[i] > m[peak])
                peak = i;
        const double bin = a.fundamentalBin[0];
        EXPECT_EQ(static_cast<size_t>(bin + 0.5), peak) << hz;
        // Refined off the comb's 0.1-bin grid onto the sine's own frequency.
        EXPECT_NEAR(a.channelHz[0], hz, 0.02 * binWidthHz(a)) << hz;
    }
}

TEST(DetectPitch, ShortSoundsAreNotReadFarTooLow)
{
    // Windows of 1024 .. 4096 points, the harmonics 5 to 20 bins apart: the
    // pitch lands within the bin of the fundamental, pure or rich.
    struct Case {
        int frames;
        double hz;
    };
    for (const Case c : {Case{4000, 440.0}, Case{2000, 220.0}, Case{8000, 110.0}, Case{3000, 300.0}}) {
        for (const std::vector<double>& harmonics : {std::vector<double>{0.5}, {0.3, 0.3, 0.15, 0.1}}) {
            SampleBuffer doc = makeTone(c.frames, {c.hz}, {harmonics});
            doc.fftSizeExp = 4;
            while (1024.0 * std::ldexp(1.0, doc.fftSizeExp) + c.frames * 0.33 >= c.frames)
                --doc.fftSizeExp;
            SpectrumAnalysis a;
            ASSERT_TRUE(analyseSpectrum(doc, nullptr, a));
            EXPECT_NEAR(doc.channelPitch[0], c.hz, 0.6 * binWidthHz(a))
                << c.frames << " frames, " << harmonics.size() << " harmonics, N " << a.frameSize;
        }
    }
}

TEST(DetectPitch, HintNarrowsTheSearch)
{
    // A hint near the octave above finds nothing of the fundamental; the
    // search stays within hint / 1.09 .. hint * 1.09.
    SampleBuffer doc = makeTone(40000, {200.0}, {{0.3, 0.3, 0.3, 0.3}});
    SpectrumAnalysis a;
    const double hints[2] = {205.0, 0.0};
    ASSERT_TRUE(analyseSpectrum(doc, hints, a));
    EXPECT_NEAR(doc.channelPitch[0], 200.0, 0.5);
    const double octave[2] = {400.0, 0.0};
    ASSERT_TRUE(analyseSpectrum(doc, octave, a));
    EXPECT_GE(doc.channelPitch[0], 400.0 / 1.09 - 1e-9);
    EXPECT_LE(doc.channelPitch[0], 400.0 * 1.09 + 1e-9);
    // 12 % above the fundamental: a range only a little wider than 9 % would
    // reach 200 Hz, which explains every harmonic; this one must not.
    const double above[2] = {224.0, 0.0};
    ASSERT_TRUE(analyseSpectrum(doc, above, a));
    EXPECT_GE(doc.channelPitch[0], 224.0 / 1.09 - 1e-9);
    EXPECT_LE(doc.channelPitch[0], 224.0 * 1.09 + 1e-9);
}

TEST(DetectPitch, SilenceHasPitchZero)
{
    SampleBuffer doc = makeTone(20000, {100.0}, {{0.0}});
    doc.channelPitch[0] = 123.0;
    SpectrumAnalysis a;
    ASSERT_TRUE(analyseSpectrum(doc, nullptr, a));
    EXPECT_EQ(doc.channelPitch[0], 0.0);
    const double hints[2] = {440.0, 0.0};
    ASSERT_TRUE(analyseSpectrum(doc, hints, a));
    EXPECT_EQ(doc.channelPitch[0], 0.0);
    const PitchUpdate u = updatePitch(doc);
    EXPECT_EQ(u.detectedNote, 0);
    EXPECT_FALSE(u.cleanLowFrequencies);
}

TEST(SpectrumAnalysis, WindowPastTheEndIsZeroPadded)
{
    // 3000 frames but a 16384-point window from 990: the window reads the
    // sound and then silence, exactly as if the sound went on silently.
    SampleBuffer shortDoc = makeTone(3000, {441.0}, {{0.5, 0.25}});
    shortDoc.fftStartFraction = 0.33;
    SampleBuffer padded = makeTone(20000, {441.0}, {{0.5, 0.25}});
    std::fill(padded.samples[0].begin() + 3000, padded.samples[0].end(), 0);
    padded.fftStartFraction = 990.5 / 20000;
    ASSERT_EQ(analysisStart(shortDoc), 990);
    ASSERT_EQ(analysisStart(padded), 990);
    SpectrumAnalysis a, b;
    ASSERT_TRUE(analyseSpectrum(shortDoc, nullptr, a));
    ASSERT_TRUE(analyseSpectrum(padded, nullptr, b));
    EXPECT_EQ(shortDoc.channelPitch[0], padded.channelPitch[0]);
    EXPECT_EQ(a.magnitudes[0], b.magnitudes[0]);
}

TEST(SpectrumAnalysis, FrameSizeAndStart)
{
    EXPECT_EQ(analysisFrameSize(4), 16384);
    EXPECT_EQ(analysisFrameSize(0), 1024);
    EXPECT_EQ(analysisFrameSize(-3), 128);
    EXPECT_EQ(analysisFrameSize(6), 65536);
    SampleBuffer doc;
    doc.sampleCount = 1000;
    doc.fftStartFraction = 0.33;
    EXPECT_EQ(analysisStart(doc), 330);
    SpectrumAnalysis a;
    EXPECT_FALSE(analyseSpectrum(doc, nullptr, a)); // no samples loaded
    doc = makeTone(2000, {440.0}, {{0.5}});
    doc.fftSizeExp = -10; // 1 sample: refused, and no pitch is left over
    doc.channelPitch[0] = 5.0;
    EXPECT_FALSE(analyseSpectrum(doc, nullptr, a));
    EXPECT_EQ(doc.channelPitch[0], 0.0);
}

TEST(SpectrumAnalysis, StereoChannelsAreAnalysedSeparately)
{
    SampleBuffer doc = makeTone(40000, {200.0, 300.0}, {{0.3, 0.2, 0.1}, {0.3, 0.2, 0.1}});
    SpectrumAnalysis a;
    ASSERT_TRUE(analyseSpectrum(doc, nullptr, a));
    EXPECT_EQ(a.channels, 2);
    EXPECT_EQ(a.magnitudes[1].size(), 8192u);
    EXPECT_NEAR(doc.channelPitch[0], 200.0, binWidthHz(a) / 2);
    EXPECT_NEAR(doc.channelPitch[1], 300.0, binWidthHz(a) / 2);
}

TEST(PitchUpdate, NotesTextAndGeometricMean)
{
    SampleBuffer doc;
    doc.channels = 2;
    doc.channelPitch[0] = 200.0;
    doc.channelPitch[1] = 202.0;
    PitchUpdate u = updatePitch(doc);
    EXPECT_NEAR(doc.pitchHz, 200.99751242241779, 1e-9);
    EXPECT_EQ(u.pitchText, "200.998 Hz");
    // A channel without pitch (silent) leaves the sound the other's pitch.
    for (int silent : {0, 1}) {
        doc.channelPitch[silent] = 0.0;
        doc.channelPitch[1 - silent] = 330.0;
        EXPECT_EQ(updatePitch(doc).detectedNote, 64) << silent;
        EXPECT_EQ(doc.pitchHz, 330.0) << silent;
    }

    doc.channels = 1;
    doc.channelPitch[0] = 440.0;
    doc.midiNote = 12;
    u = updatePitch(doc);
    EXPECT_EQ(u.detectedNote, 69);
    EXPECT_EQ(doc.detectedNote, 69);
    EXPECT_EQ(doc.midiNote, 69);
    EXPECT_EQ(u.noteSelection, 69);
    EXPECT_EQ(midiNoteName(u.noteSelection), "A4 (69)");
    // 31 steps per octave: 31 * log2(440 / 8.175798915) = 178.25 -> 178.
    EXPECT_EQ(doc.note31, 178);
    EXPECT_EQ(u.pitchText, "440. Hz");

    doc.channelPitch[0] = 8.175798915;
    u = updatePitch(doc);
    EXPECT_EQ(u.detectedNote, 0);
    EXPECT_EQ(doc.note31, 0);

    doc.channelPitch[0] = 15000.0; // note 130: the selector shows none
    u = updatePitch(doc);
    EXPECT_EQ(u.detectedNote, 130);
    EXPECT_EQ(u.noteSelection, -1);
}

TEST(PitchUpdate, CleanLowFrequenciesAbove32Hz)
{
    SampleBuffer doc;
    doc.channels = 1;
    doc.channelPitch[0] = 30.0;
    EXPECT_FALSE(updatePitch(doc).cleanLowFrequencies);
    doc.channelPitch[0] = 33.0;
    EXPECT_TRUE(updatePitch(doc).cleanLowFrequencies);
    EXPECT_FALSE(cleanLowFrequenciesAllowed(32.0));
    EXPECT_TRUE(cleanLowFrequenciesAllowed(32.001));
}

namespace {

// A 44.1 kHz mono tone of `harmonics` equal-level harmonics, 1/k rolled off
// when `bright` is false, with a sine vibrato of +-vibratoCents at vibratoHz
// and white noise `noiseDb` below the tone's power (no noise at 0).
SampleBuffer makeRichTone(int frames, double hz, int harmonics, double vibratoCents, double vibratoHz,
                          double noiseDb, unsigned seed = 7)
{
    SampleBuffer doc;
    doc.allocate(1, frames);
    doc.channels = 1;
    doc.sampleCount = frames;
    doc.sampleRate = 44100;
    doc.bitsPerSample = 16;
    const int usable = std::max(1, std::min(harmonics, static_cast<int>(20000.0 / hz)));
    const double depth = std::pow(2.0, vibratoCents / 1200.0) - 1.0;
    double power = 0.0, total = 0.0;
    for (int k = 1; k <= usable; ++k) {
        power += 0.5 / (k * k);
        total += 1.0 / k;
    }
    const double gain = 0.8 / total;
    const double noiseSigma = noiseDb != 0.0 ? gain * std::sqrt(power) * std::pow(10.0, -noiseDb / 20.0) : 0.0;
    uint32_t state = seed;
    auto gauss = [&state]() {
        // Box-Muller over a small LCG: repeatable and free of library variation.
        auto uniform = [&state]() {
            state = state * 1664525u + 1013904223u;
            return (state + 0.5) / 4294967296.0;
        };
        return std::sqrt(-2.0 * std::log(uniform())) * std::cos(2 * kPi * uniform());
    };
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        const double phase = 2 * kPi * hz *
                             (t - (vibratoHz > 0 ? depth * (std::cos(2 * kPi * vibratoHz * t) - 1.0) / (2 * kPi * vibratoHz) : 0.0));
        double v = 0.0;
        for (int k = 1; k <= usable; ++k)
            v += std::sin(k * phase + 0.7 * k) / k;
        v = v * gain + noiseSigma * gauss();
        doc.samples[0][i] = static_cast<int16_t>(std::lround(std::max(-1.0, std::min(1.0, v)) * 32767.0));
    }
    return doc;
}

double centsOff(double measuredHz, double trueHz)
{
    return measuredHz > 0.0 ? 1200.0 * std::log2(measuredHz / trueHz) : 1e9;
}

} // namespace

TEST(DetectPitch, SteadyTonesToTwoCents)
{
    // Pure sines used to read up to 27 cents sharp (the comb's 0.1-bin grid
    // rounds onto the peak bin); rich tones must stay where they were.
    struct Case {
        double hz;
        int harmonics;
        double noiseDb;
        double toleranceCents;
    };
    const Case cases[] = {
        {41.2, 1, 0, 2},    {110.0, 1, 0, 2},   {146.8, 1, 0, 2},  {220.0, 1, 0, 2},  {880.0, 1, 0, 2},
        {30.0, 1, 0, 2},    {4000.0, 1, 0, 2},  {3951.1, 4, 0, 2}, {61.7, 200, 0, 2}, {98.0, 40, 0, 2},
        {523.25, 12, 0, 2}, {146.8, 1, 25, 3}, {311.1, 10, 25, 3},
    };
    for (const Case& c : cases) {
        SampleBuffer doc = makeRichTone(44100, c.hz, c.harmonics, 0, 0, c.noiseDb);
        SpectrumAnalysis a;
        ASSERT_TRUE(analyseSpectrum(doc, nullptr, a));
        EXPECT_NEAR(centsOff(doc.channelPitch[0], c.hz), 0.0, c.toleranceCents)
            << c.hz << " Hz, " << c.harmonics << " harmonics, noise " << c.noiseDb << " dB";
    }
}

TEST(DetectPitch, VibratoKeepsTheOctave)
{
    // A vibrato smears the upper harmonics into humps; a comb far finer than
    // the fundamental used to collect them and read several octaves low.
    struct Case {
        double hz;
        int harmonics;
        double cents;
        double rateHz;
    };
    const Case cases[] = {{392.0, 10, 25, 5.5}, {196.0, 10, 50, 5.5}, {784.0, 10, 50, 5.5},
                          {261.6, 20, 60, 4.0}, {440.0, 8, 60, 8.0},  {130.8, 30, 40, 6.0}};
    for (const Case& c : cases) {
        SampleBuffer doc = makeRichTone(3 * 44100, c.hz, c.harmonics, c.cents, c.rateHz, 0);
        SpectrumAnalysis a;
        ASSERT_TRUE(analyseSpectrum(doc, nullptr, a));
        // Never an octave off, and the mean over the sustain is the centre.
        EXPECT_NEAR(centsOff(doc.channelPitch[0], c.hz), 0.0, 3.0)
            << c.hz << " Hz +-" << c.cents << " cents at " << c.rateHz << " Hz";
    }
}

TEST(DetectPitch, ShortSoundsToFiveCents)
{
    // 4096 frames: a 2048-point window (the reader's fit), about 21.5 Hz a bin.
    for (const double hz : {220.0, 440.0, 1000.0, 2500.0}) {
        for (const int harmonics : {1, 8}) {
            SampleBuffer doc = makeRichTone(4096, hz, harmonics, 0, 0, 0);
            doc.fftSizeExp = 1;
            doc.fftStartFraction = 0.0;
            SpectrumAnalysis a;
            ASSERT_TRUE(analyseSpectrum(doc, nullptr, a));
            ASSERT_EQ(a.frameSize, 2048);
            EXPECT_NEAR(centsOff(doc.channelPitch[0], hz), 0.0, 5.0) << hz << " Hz, " << harmonics << " harmonics";
        }
    }
}
