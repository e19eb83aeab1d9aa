// From detection to the retuned rate: a sound a little off its note, its pitch
// detected, then the rate at which its loop holds whole periods of that note.

#include "document/SampleBuffer.h"
#include "document/tuned_rate.h"
#include "dsp/spectrum_analysis.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;

} // namespace

TEST(TunedPitch, LoopOfAFlatToneHoldsWholePeriodsOfItsNote)
{
    // A4 20 cents flat, eight harmonics, steady or with a +-40 cent vibrato
    // whose two cycles span the loop exactly; the loop is 174 of its periods.
    const double toneHz = 440.0 * std::pow(2.0, -20.0 / 1200.0);
    const int periods = 174;
    const int32_t loopStart = 30000;
    const int32_t loopLength = static_cast<int32_t>(std::lround(periods * kRate / toneHz));
    for (const double vibratoCents : {0.0, 40.0}) {
        SampleBuffer doc;
        const int frames = 80000;
        doc.allocate(1, frames);
        doc.channels = 1;
        doc.sampleCount = frames;
        doc.sampleRate = kRate;
        doc.bitsPerSample = 16;
        const double vibratoHz = 2.0 * kRate / loopLength;
        const double depth = std::pow(2.0, vibratoCents / 1200.0) - 1.0;
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double phase =
                2 * kPi * toneHz * (t - depth * (std::cos(2 * kPi * vibratoHz * t) - 1.0) / (2 * kPi * vibratoHz));
            double v = 0.0;
            for (int k = 1; k <= 8; ++k)
                v += 0.09 * std::sin(k * phase + k) / std::sqrt(k);
            doc.samples[0][i] = static_cast<int16_t>(std::lround(v * 32767.0));
        }
        SpectrumAnalysis analysis;
        ASSERT_TRUE(analyseSpectrum(doc, nullptr, analysis));
        const PitchUpdate u = updatePitch(doc);
        EXPECT_EQ(u.detectedNote, 69) << vibratoCents;
        EXPECT_EQ(doc.midiNote, 69) << vibratoCents;
        doc.loops.currentSolution = 0;
        doc.loops.loopStart[0] = loopStart;
        doc.loops.loopEnd[0] = loopStart + loopLength;
        const int32_t tuned = tunedSampleRate(doc);
        // Played at the tuned rate the tone sounds toneHz * tuned / kRate.
        const double cents = 1200.0 * std::log2(toneHz * tuned / kRate / 440.0);
        EXPECT_NEAR(cents, 0.0, 1.0) << "vibrato " << vibratoCents << " cents, rate " << tuned;
        std::printf("[ tuned    ] vibrato %2.0f cents: pitch %.3f Hz, tuned rate %d, loop %+.3f cents off A4\n",
                    vibratoCents, u.pitchHz, tuned, cents);
    }
}
