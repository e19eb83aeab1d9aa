// New by FFT mixing: the reader's refusals, the tuning measure and the mix
// against theory, the equaliser against a target worked out here, and Undo
// of the new document.

#include "mixing/fft_mixing.h"
#include "mixing/mix_input.h"

#include "document/SampleBuffer.h"
#include "document/undo_history.h"
#include "wav_bytes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string tempPath(const std::string& name) { return ::testing::TempDir() + "mixing_" + name + ".wav"; }

// A sum of harmonics of f0, harmonic k + 1 with amplitude amps[k] of full
// scale, all starting in sine phase.
std::vector<int16_t> tone(int rate, double f0, int frames, const std::vector<double>& amps)
{
    std::vector<int16_t> x(frames);
    for (int t = 0; t < frames; ++t) {
        double v = 0.0;
        for (size_t k = 0; k < amps.size(); ++k)
            v += amps[k] * std::sin(2.0 * M_PI * f0 * (k + 1) * t / rate);
        x[t] = static_cast<int16_t>(std::lround(v * 32767.0));
    }
    return x;
}

MixInput monoInput(int rate, const std::vector<int16_t>& x)
{
    MixInput in;
    in.channels = 1;
    in.bitsPerSample = 16;
    in.blockAlign = 2;
    in.sampleRate = rate;
    in.frameCount = static_cast<int32_t>(x.size());
    in.samples[0] = x;
    const double noHints[2] = {0.0, 0.0};
    analyseMixInput(in, noHints);
    return in;
}

const char* const kTooShort = "The number of samples must be at least 1400 to allow the functions to work properly.";

} // namespace

TEST(MixingText, DestinationNoteAndOrdinals)
{
    // 220 Hz (note 57) and 440 Hz (note 69): their geometric mean 311.1 Hz is note 63.
    EXPECT_EQ(proposedDestinationNote(220.0, 440.0), 63);
    EXPECT_EQ(proposedDestinationNote(440.0, 220.0), 63);
    EXPECT_EQ(proposedDestinationNote(440.0, 0.0), 69); // no other sound yet
    EXPECT_EQ(proposedDestinationNote(0.0, 220.0), 57); // a silent sound takes the other's note

    const std::pair<int, const char*> ordinals[] = {{1, "st"}, {2, "nd"}, {3, "rd"}, {4, "th"}, {11, "th"},
                                                    {12, "th"}, {13, "th"}, {21, "st"}, {22, "nd"}, {111, "th"},
                                                    {112, "th"}, {0, "th"}};
    for (const auto& [n, suffix] : ordinals)
        EXPECT_EQ(harmonicOrdinal(n), std::string(suffix) + " harmonic") << n;
}

TEST(MixReader, RefusesBrokenFilesWithTheirMessages)
{
    struct Case {
        const char* name;
        wavbytes::WavLayout layout;
        std::string message; // with "@" standing for the path
        bool silentToo;      // also given when the reload is silent
    };
    auto frames16 = [](size_t n) { return wavbytes::pcm16(wavbytes::pattern16(n, 1)); };
    std::vector<Case> cases;
    {
        wavbytes::WavLayout w;
        w.data = frames16(1399);
        cases.push_back({"short", w, kTooShort, true});
    }
    {
        wavbytes::WavLayout w;
        w.data = frames16(1500);
        w.formatTag = 3;
        cases.push_back({"float", w, "The file is compress!", false});
    }
    {
        // 3 channels of 16 bits: block align 6 is consistent, the channel count is not.
        wavbytes::WavLayout w;
        w.channels = 3;
        w.data = frames16(4500);
        cases.push_back({"three", w, "A problem happens in reading the file @", false});
    }
    {
        // Channels 0 with block align 0: refused before anything divides by it.
        wavbytes::WavLayout w;
        w.channels = 0;
        w.blockAlign = 0;
        w.data = frames16(1500);
        cases.push_back({"zero", w, "A problem happens in reading the file @", false});
    }
    {
        wavbytes::WavLayout w;
        w.bitsPerSample = 24;
        w.data = frames16(3000);
        cases.push_back({"bits", w, "The number of bits must be 8 or 16.", false});
    }
    {
        wavbytes::WavLayout w;
        w.sampleRate = 0;
        w.data = frames16(1500);
        cases.push_back({"rate", w, "Unhandled kind of wave file.", true});
    }
    {
        // The data size claims 10000 frames; 1399 are present.
        wavbytes::WavLayout w;
        w.data = frames16(1399);
        w.dataSize = 20000;
        cases.push_back({"claims", w, kTooShort, true});
    }
    for (const Case& c : cases) {
        const std::string path = tempPath(c.name);
        ASSERT_TRUE(wavbytes::writeFile(path, wavbytes::build(c.layout)));
        std::string expected = c.message;
        if (expected.back() == '@')
            expected = expected.substr(0, expected.size() - 1) + path;
        for (bool report : {true, false}) {
            const MixReadResult r = readMixWave(path, report);
            EXPECT_FALSE(r.ok) << c.name;
            EXPECT_FALSE(r.input.loaded()) << c.name;
            if (report || c.silentToo) {
                ASSERT_EQ(r.messages.size(), 1u) << c.name;
                EXPECT_EQ(r.messages[0].text, expected) << c.name;
            } else {
                EXPECT_TRUE(r.messages.empty()) << c.name;
            }
        }
        std::remove(path.c_str());
    }
}

TEST(MixReader, ReadsOnlyTheFramesPresent)
{
    // 8-bit stereo, 1500 frames present while the data size claims twice as
    // many: the frames present, widened as (v - 128) * 256, left then right.
    wavbytes::WavLayout w;
    w.channels = 2;
    w.bitsPerSample = 8;
    for (int f = 0; f < 1500; ++f) {
        w.data.push_back(static_cast<uint8_t>(f % 256));
        w.data.push_back(static_cast<uint8_t>(255 - f % 256));
    }
    w.dataSize = 6000;
    const std::string path = tempPath("eight");
    ASSERT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
    const MixReadResult r = readMixWave(path, true);
    std::remove(path.c_str());
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.input.frameCount, 1500);
    EXPECT_EQ(r.input.channels, 2);
    EXPECT_EQ(r.input.name, "mixing_eight.wav");
    EXPECT_EQ(r.input.samples[0][0], -128 * 256);
    EXPECT_EQ(r.input.samples[1][0], 127 * 256);
    EXPECT_EQ(r.input.samples[0][1499], (1499 % 256 - 128) * 256);
}

TEST(MixTuning, TunedRateMatchesThePitch)
{
    // A tone of f Hz sounds at its note's frequency F when played at
    // rate * F / f: the measure must land there, whatever the length and
    // whichever channel carries the tone.
    enum Layout { Mono, Stereo, LeftSilent, RightSilent };
    const struct {
        double hz;
        int note;
        int frames;
        Layout layout;
    } cases[] = {
        {225.0, 57, 44100, Mono},        // 220 Hz: 43120 Hz
        {225.0, 57, 44100, Stereo},
        {225.0, 57, 44100, LeftSilent},  // a silent channel matches anything
        {225.0, 57, 44100, RightSilent},
        {440.0, 69, 1400, Mono},         // ~32 periods: no whole period between
        {445.0, 69, 3000, RightSilent},  // the pairs the coarse match may take
        {100.0, 43, 5000, Mono},         // no window fits at all
        {441.0, 69, 30000, Mono},        // 100 periods: measured
    };
    const int rate = 44100;
    for (const auto& c : cases) {
        const std::vector<int16_t> x = tone(rate, c.hz, c.frames, {0.5, 0.25, 0.1});
        const std::vector<int16_t> silent(x.size(), 0);
        const int16_t* channels[2] = {x.data(), nullptr};
        if (c.layout == Stereo)
            channels[1] = x.data();
        if (c.layout == RightSilent)
            channels[1] = silent.data();
        if (c.layout == LeftSilent) {
            channels[0] = silent.data();
            channels[1] = x.data();
        }
        const double expected = rate * 8.175798915 * std::pow(2.0, c.note / 12.0) / c.hz;
        const int32_t got = tunedRateForNote(rate, c.frames, c.layout == Mono ? 1 : 2, c.hz, channels, c.note);
        EXPECT_NEAR(1200.0 * std::log2(got / expected), 0.0, 1.0)
            << c.hz << " Hz, " << c.frames << " frames, layout " << c.layout;
    }
}

TEST(MixTuning, DestinationRateIsLimited)
{
    // 220 Hz at 44100 Hz is exactly note 57; an octave up it needs 88200 Hz.
    const int rate = 44100;
    MixInput inputs[2] = {monoInput(rate, tone(rate, 220.0, rate, {0.5, 0.2})),
                          monoInput(rate, tone(rate, 220.0, rate, {0.5, 0.2}))};
    ASSERT_EQ(inputs[0].midiNote, 57);
    const MixRates limited = planMixRates(inputs, 69, 0);
    EXPECT_EQ(limited.destination, 48000);
    const MixRates free = planMixRates(inputs, 69, 1);
    EXPECT_NEAR(free.destination, 88200, 20);
    EXPECT_NEAR(free.rate[0], 88200, 20);
    // Transposition in real numbers: a fifth up is 2^(7/12), not 2^0.
    EXPECT_NEAR(planMixRates(inputs, 64, 1).destination, 44100 * std::pow(2.0, 7 / 12.0), 15);
}

TEST(MixSum, DelayWeightsAndLength)
{
    // Two converted inputs of impulses: the 1st 1000 frames with 1000 at 0,
    // the 2nd 2000 frames with 2000 at 0. Delay 1000 us at 48000 Hz = 48 frames.
    MixInput inputs[2];
    ResampledInput conv[2];
    for (int i = 0; i < 2; ++i) {
        inputs[i].channels = 1;
        inputs[i].bitsPerSample = static_cast<int16_t>(i == 0 ? 8 : 16);
        conv[i].channels = 1;
        conv[i].frameCount = 1000 * (i + 1);
        conv[i].samples[0].assign(conv[i].frameCount, 0);
        conv[i].samples[0][0] = static_cast<int16_t>(1000 * (i + 1));
    }
    struct Case {
        int delayed, rule, percent;
        int32_t frames;
        int32_t at1, at2; // where the impulses land
    };
    const Case cases[] = {{1, 0, 50, 1000, 0, 48}, {0, 1, 50, 2000, 48, 0}, {0, 0, 25, 1000, 48, 0}};
    for (const Case& c : cases) {
        MixSettings s;
        s.delayUs = 1000;
        s.delayedSound = static_cast<int16_t>(c.delayed);
        s.lengthRule = static_cast<int16_t>(c.rule);
        s.inharmonicPercent = static_cast<int16_t>(c.percent);
        MixResult r;
        mixInharmonic(inputs, conv, s, 48000, r);
        EXPECT_EQ(r.frameCount, c.frames);
        EXPECT_EQ(r.bitsPerSample, 16);
        EXPECT_EQ(r.sampleRate, 48000);
        const double g = c.percent / 100.0;
        EXPECT_EQ(r.samples[0][c.at1], int((1.0 - g) * 1000)) << c.delayed;
        EXPECT_EQ(r.samples[0][c.at2], int(g * 2000)) << c.delayed;
        int nonZero = 0;
        for (int16_t v : r.samples[0])
            nonZero += v != 0;
        EXPECT_EQ(nonZero, 2);
    }
}

TEST(MixSum, MonoWithStereoFillsBothChannels)
{
    MixInput inputs[2];
    ResampledInput conv[2];
    inputs[0].channels = conv[0].channels = 1;
    inputs[1].channels = conv[1].channels = 2;
    inputs[0].bitsPerSample = inputs[1].bitsPerSample = 16;
    conv[0].frameCount = conv[1].frameCount = 10;
    conv[0].samples[0].assign(10, 100);
    conv[1].samples[0].assign(10, 200);
    conv[1].samples[1].assign(10, -200);
    MixResult r;
    mixInharmonic(inputs, conv, MixSettings(), 44100, r);
    ASSERT_EQ(r.channels, 2);
    EXPECT_EQ(r.blockAlign, 4);
    EXPECT_EQ(r.samples[0][5], 150);
    EXPECT_EQ(r.samples[1][5], -50);
}

TEST(MixWhole, ToneMixedWithItselfKeepsItsHarmonics)
{
    // 50 % / 50 % without delay at the tone's own note: the sum is the tone.
    const int rate = 44100;
    const std::vector<int16_t> x = tone(rate, 220.0, rate, {0.5, 0.25, 0.125, 0.0625});
    MixInput inputs[2] = {monoInput(rate, x), monoInput(rate, x)};
    MixSettings s;
    s.equalizeUntil = 0;
    const MixRates rates = planMixRates(inputs, inputs[0].midiNote, 0);
    ResampledInput conv[2];
    for (int i = 0; i < 2; ++i)
        resampleMixInput(inputs[i], rates.rate[i], rates.destination, conv[i]);
    MixResult r;
    mixInharmonic(inputs, conv, s, rates.destination, r);
    equalizeHarmonics(r, inputs, s); // skipped: n = 0
    const MixInput out = monoInput(r.sampleRate, r.samples[0]);
    ASSERT_GE(out.profile[0].count(), 4);
    for (int k = 0; k < 4; ++k) {
        // Theory: harmonic k at 0.5 / 2^k of full scale is 20 log10 of that,
        // less up to 1.5 dB of the window's loss between bins.
        const double expected = 20.0 * std::log10(0.5 / (1 << k));
        EXPECT_NEAR(inputs[0].profile[0].levels[k], expected - 0.75, 0.75) << k;
        EXPECT_NEAR(out.profile[0].levels[k], inputs[0].profile[0].levels[k], 0.5) << k;
    }
}

// Amplitude (of full scale) of the component at hz over the middle half of
// x, by a Hann-weighted correlation written here: independent of the
// mixer's own analysis.
double amplitudeAt(const std::vector<int16_t>& x, int rate, double hz)
{
    const size_t begin = x.size() / 4, length = x.size() / 2;
    double re = 0.0, im = 0.0, weight = 0.0;
    for (size_t i = 0; i < length; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * M_PI * double(i) / double(length));
        const double phase = 2.0 * M_PI * hz * double(begin + i) / rate;
        re += w * x[begin + i] * std::cos(phase);
        im += w * x[begin + i] * std::sin(phase);
        weight += w;
    }
    return 2.0 * std::hypot(re, im) / weight / 32767.0;
}

TEST(MixWhole, EqualisedHarmonicsReachTheTarget)
{
    // Two tones at 220 Hz with known spectra a and b, q = 75 %: the target's
    // slopes are the inputs' slopes interpolated, so harmonic k of the
    // result must stand (1 - h) 20 log10(a_k / a_1) + h 20 log10(b_k / b_1)
    // dB from the fundamental, whatever the target's overall level.
    const int rate = 44100;
    const std::vector<double> a = {0.3, 0.1, 0.03, 0.01, 0.003};
    const std::vector<double> b = {0.3, 0.01, 0.03, 0.001, 0.003};
    MixInput inputs[2] = {monoInput(rate, tone(rate, 220.0, rate, a)), monoInput(rate, tone(rate, 220.0, rate, b))};
    MixSettings s;
    s.equalizeUntil = 4;
    s.maxGainDb = 60;
    s.harmonicPercent = 75;
    const double h = 0.75;
    const MixRates rates = planMixRates(inputs, inputs[0].midiNote, 0);
    ResampledInput conv[2];
    for (int i = 0; i < 2; ++i)
        resampleMixInput(inputs[i], rates.rate[i], rates.destination, conv[i]);
    const double f0 = 220.0 * rates.rate[0] / rate; // Hz at the destination rate
    MixResult r;
    mixInharmonic(inputs, conv, s, rates.destination, r);
    equalizeHarmonics(r, inputs, s);
    const double fundamental = amplitudeAt(r.samples[0], r.sampleRate, f0);
    for (int k = 1; k < 4; ++k) {
        const double expected = (1 - h) * 20 * std::log10(a[k] / a[0]) + h * 20 * std::log10(b[k] / b[0]);
        const double measured = 20 * std::log10(amplitudeAt(r.samples[0], r.sampleRate, f0 * (k + 1)) / fundamental);
        EXPECT_NEAR(measured, expected, 1.0) << "harmonic " << k + 1;
    }

    // A gain limit of 6 dB: the 2nd harmonic of the sum (the amplitudes 0.1
    // and 0.01 averaged) needs about 10 dB of cut to reach its target, and
    // moves by 6 dB only.
    s.maxGainDb = 6;
    MixResult limited;
    mixInharmonic(inputs, conv, s, rates.destination, limited);
    const double before = amplitudeAt(limited.samples[0], limited.sampleRate, 2 * f0);
    EXPECT_NEAR(before, 0.055, 0.001); // the stimulus: (0.1 + 0.01) / 2
    equalizeHarmonics(limited, inputs, s);
    const double after = amplitudeAt(limited.samples[0], limited.sampleRate, 2 * f0);
    EXPECT_NEAR(20 * std::log10(after / before), -6.0, 0.3);
}

TEST(MixDocument, UndoAfterNewRestoresTheOldSoundWhole)
{
    SampleBuffer doc;
    doc.allocate(1, 3000);
    doc.sampleCount = 3000;
    doc.sampleRate = 22050;
    doc.channels = 1;
    doc.bitsPerSample = 8;
    doc.blockAlign = 1;
    for (int i = 0; i < 3000; ++i)
        doc.samples[0][i] = static_cast<int16_t>(i * 7);
    doc.loops.loopStart[0] = 100;
    doc.loops.loopEnd[0] = 2000;
    doc.filePath = "/x/Organ.wav";
    doc.fileTitle = "Organ";
    doc.fileFolder = "/x/";
    const SampleBuffer before = doc;

    MixResult r;
    r.channels = 2;
    r.bitsPerSample = 16;
    r.blockAlign = 4;
    r.sampleRate = 96000;
    r.frameCount = 5000;
    r.samples[0].assign(5000, 11);
    r.samples[1].assign(5000, -11);
    UndoHistory history;
    history.pushUndo(doc);
    applyMixResult(doc, r);
    EXPECT_EQ(doc.channels, 2);
    EXPECT_EQ(doc.samples[1][4999], -11);
    EXPECT_FALSE(doc.loops.hasLoop(0));
    EXPECT_FALSE(doc.isSaved);
    EXPECT_EQ(doc.fileTitle, "");
    // 1024 * 2^1 + 0.33 * 5000 < 5000 <= 1024 * 2^2 + 0.33 * 5000.
    EXPECT_EQ(doc.fftSizeExp, 1);

    ASSERT_TRUE(history.undo(doc));
    EXPECT_EQ(doc.channels, 1);
    EXPECT_EQ(doc.sampleRate, 22050);
    EXPECT_EQ(doc.bitsPerSample, 8);
    EXPECT_EQ(doc.blockAlign, 1);
    EXPECT_EQ(doc.sampleCount, 3000);
    EXPECT_EQ(std::vector<int16_t>(doc.samples[0].begin(), doc.samples[0].begin() + 3000), before.samples[0]);
    EXPECT_EQ(doc.loops.loopEnd[0], 2000);
    // The old sound comes back with its own name, so Save writes it there.
    EXPECT_EQ(doc.filePath, "/x/Organ.wav");
    EXPECT_EQ(doc.fileTitle, "Organ");
    EXPECT_EQ(doc.fileFolder, "/x/");
    ASSERT_TRUE(history.redo(doc));
    EXPECT_EQ(doc.fileTitle, "");
}
