// Accuracy of the automatic pitch detection over a corpus of synthetic tones
// with known fundamentals: harmonic series with random phases and levels,
// 40 Hz .. 2 kHz, with and without noise and vibrato, mono and stereo, at
// 44.1 kHz, through the main window's analysis (16384-point window from a
// third of the sound); and short sounds of 256 .. 8192 frames, whose window
// is fitted to the sound as the reader fits it (128 .. 4096 points). Seeds
// are fixed, so the figures are repeatable; the floors below are the
// measured shares rounded down by a margin.

#include "document/SampleBuffer.h"
#include "document/wav_reader.h"
#include "dsp/spectrum_analysis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;
constexpr int kRate = 44100;
constexpr int kFrames = 40000;

struct ToneSpec {
    double fundamentalHz;
    bool noise;
    bool vibrato;
    int channels;
};

// Only the analysed stretch is synthesised; the rest stays silent.
void synthesise(const ToneSpec& t, std::mt19937& rng, SampleBuffer& doc, int32_t from, int32_t to,
                int maxHarmonics = 16)
{
    std::uniform_real_distribution<double> phase(0.0, 2 * kPi);
    std::uniform_real_distribution<double> levelDb(-30.0, 0.0);
    std::normal_distribution<double> gauss(0.0, 1.0);
    const int harmonics = std::max(1, std::min(maxHarmonics, static_cast<int>(0.45 * kRate / t.fundamentalHz)));
    const double vibratoCents = t.vibrato ? 15.0 : 0.0;
    const double vibratoHz = 5.5;
    for (int c = 0; c < t.channels; ++c) {
        std::vector<double> amp(harmonics), ph(harmonics);
        double total = 0;
        for (int h = 0; h < harmonics; ++h) {
            amp[h] = std::pow(10.0, levelDb(rng) / 20.0);
            ph[h] = phase(rng);
            total += amp[h];
        }
        const double gain = 0.7 / total;
        const double depth = std::pow(2.0, vibratoCents / 1200.0) - 1.0;
        for (int32_t i = from; i < to; ++i) {
            const double time = static_cast<double>(i) / kRate;
            // Phase of the fundamental: integral of f0 * (1 + depth * sin(2 pi v t)).
            const double base = 2 * kPi * t.fundamentalHz *
                                (time - depth * (std::cos(2 * kPi * vibratoHz * time) - 1.0) / (2 * kPi * vibratoHz));
            double v = 0;
            for (int h = 0; h < harmonics; ++h)
                v += amp[h] * std::sin((h + 1) * base + ph[h]);
            v *= gain;
            if (t.noise)
                v += 0.01 * gauss(rng); // about -40 dB below the tone
            doc.samples[c][i] = static_cast<int16_t>(std::lround(std::max(-1.0, std::min(1.0, v)) * 32767.0));
        }
    }
}

} // namespace

TEST(PitchAccuracy, SyntheticCorpus)
{
    std::mt19937 rng(20240611);
    std::uniform_real_distribution<double> logF(std::log(40.0), std::log(2000.0));
    const int kTones = 96;
    int within50 = 0, within5 = 0;
    // The same counts for the tones without vibrato, whose fundamental is
    // unambiguous (with vibrato the window sees a weighted mean frequency up
    // to 15 cents from the nominal one).
    int steady = 0, steady50 = 0, steady5 = 0;
    double worstCents = 0;
    SpectrumAnalysis analysis;
    SampleBuffer doc;
    for (int n = 0; n < kTones; ++n) {
        ToneSpec t{std::exp(logF(rng)), (n & 1) != 0, (n & 2) != 0, (n & 4) ? 2 : 1};
        doc.allocate(static_cast<int16_t>(t.channels), kFrames);
        doc.channels = static_cast<int16_t>(t.channels);
        doc.sampleCount = kFrames;
        doc.sampleRate = kRate;
        doc.fftSizeExp = 4;
        doc.fftStartFraction = 0.33;
        const int32_t start = analysisStart(doc);
        synthesise(t, rng, doc, start, start + analysisFrameSize(doc.fftSizeExp));
        ASSERT_TRUE(analyseSpectrum(doc, nullptr, analysis));
        const PitchUpdate u = updatePitch(doc);
        const double cents = u.pitchHz > 0 ? 1200.0 * std::log2(u.pitchHz / t.fundamentalHz) : 1e9;
        if (std::getenv("RINGTIDE_PITCH_VERBOSE"))
            std::printf("%8.2f Hz %s%s %s: %9.3f Hz (%+.1f cents)\n", t.fundamentalHz, t.noise ? "noise " : "",
                        t.vibrato ? "vibrato " : "", t.channels == 2 ? "stereo" : "mono", u.pitchHz, cents);
        within50 += std::fabs(cents) <= 50.0;
        within5 += std::fabs(cents) <= 5.0;
        if (!t.vibrato) {
            ++steady;
            steady50 += std::fabs(cents) <= 50.0;
            steady5 += std::fabs(cents) <= 5.0;
        }
        if (std::fabs(cents) > std::fabs(worstCents))
            worstCents = cents;
    }
    const double share50 = 100.0 * within50 / kTones;
    const double share5 = 100.0 * within5 / kTones;
    const double steadyShare50 = 100.0 * steady50 / steady;
    const double steadyShare5 = 100.0 * steady5 / steady;
    std::printf("[ pitch    ] %d tones: %.1f %% within 50 cents, %.1f %% within 5 cents, worst %.0f cents\n",
                kTones, share50, share5, worstCents);
    std::printf("[ pitch    ] %d tones without vibrato: %.1f %% within 50 cents, %.1f %% within 5 cents\n",
                steady, steadyShare50, steadyShare5);
    // Measured: 100 / 100 overall and without vibrato (worst 5 cents, a
    // vibrato tone: the window sees a weighted mean of its frequency).
    EXPECT_GE(share50, 99.0);
    EXPECT_GE(share5, 97.0);
    EXPECT_GE(steadyShare50, 100.0);
    EXPECT_GE(steadyShare5, 97.0);
}

TEST(PitchAccuracy, ShortSounds)
{
    // Each size gets fundamentals from where a harmonic is 6 bins of its
    // window apart (two harmonics can then be told apart) up to 2 kHz or an
    // octave higher; a quarter of the tones are pure sines, half have noise.
    std::mt19937 rng(20261208);
    const int32_t sizes[] = {256, 512, 1024, 2048, 4096, 8192};
    const int kPerSize = 16;
    int tones = 0, within50 = 0, harmonicTones = 0, harmonic50 = 0;
    SpectrumAnalysis analysis;
    SampleBuffer doc;
    for (const int32_t frames : sizes) {
        int fitted = 4;
        while (1024.0 * std::ldexp(1.0, fitted) + frames * 0.33 >= frames)
            --fitted;
        const int n = analysisFrameSize(fitted);
        const double low = std::max(40.0, 6.0 * kRate / n);
        std::uniform_real_distribution<double> logF(std::log(low), std::log(std::max(2000.0, 2 * low)));
        int sizeWithin = 0;
        for (int k = 0; k < kPerSize; ++k) {
            ToneSpec t{std::exp(logF(rng)), (k & 1) != 0, false, 1};
            doc.allocate(1, frames);
            doc.channels = 1;
            doc.sampleCount = frames;
            doc.sampleRate = kRate;
            doc.fftSizeExp = static_cast<int16_t>(fitted);
            doc.fftStartFraction = 0.33;
            const bool pure = k % 4 == 3;
            synthesise(t, rng, doc, 0, frames, pure ? 1 : 16);
            ASSERT_TRUE(analyseSpectrum(doc, nullptr, analysis));
            const PitchUpdate u = updatePitch(doc);
            const double cents = u.pitchHz > 0 ? 1200.0 * std::log2(u.pitchHz / t.fundamentalHz) : 1e9;
            if (std::getenv("RINGTIDE_PITCH_VERBOSE"))
                std::printf("%5d frames, N %4d: %8.2f Hz %s: %9.3f Hz (%+.1f cents)\n", frames, n,
                            t.fundamentalHz, pure ? "sine    " : "harmonic", u.pitchHz, cents);
            const bool ok = std::fabs(cents) <= 50.0;
            ++tones;
            within50 += ok;
            sizeWithin += ok;
            if (!pure) {
                ++harmonicTones;
                harmonic50 += ok;
            }
        }
        std::printf("[ pitch    ] %5d frames: %d of %d within 50 cents\n", frames, sizeWithin, kPerSize);
    }
    const double share = 100.0 * within50 / tones;
    const double harmonicShare = 100.0 * harmonic50 / harmonicTones;
    std::printf("[ pitch    ] %d short sounds: %.1f %% within 50 cents (%.1f %% of the harmonic ones)\n", tones,
                share, harmonicShare);
    // Measured: 82.3 % overall, 97.2 % of the harmonic tones (59.4 % and
    // 75.0 % while candidates inside the main lobe read every magnitude). The
    // misses are mostly pure sines, which read up to half a bin high: a bin
    // of a 128-point window is 345 Hz.
    EXPECT_GE(share, 80.0);
    EXPECT_GE(harmonicShare, 95.0);
}
