#include "dsp/manual_pitch.h"

#include "document/SampleBuffer.h"
#include "document/format.h"
#include "dsp/spectrum.h"
#include "dsp/spectrum_analysis.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int16_t kAnalysisBeta = 10;
}

ManualPitchSound manualPitchSoundOf(const SampleBuffer& doc)
{
    ManualPitchSound s;
    if (!doc.isLoaded())
        return s;
    s.channels = std::min<int>(doc.channels, 2);
    for (int c = 0; c < s.channels; ++c) {
        if (doc.samples[c].size() < static_cast<size_t>(doc.sampleCount))
            return ManualPitchSound();
        s.samples[c] = doc.samples[c].data();
    }
    s.sampleCount = doc.sampleCount;
    s.sampleRate = doc.sampleRate;
    s.frameSize = analysisFrameSize(doc.fftSizeExp);
    const double start = doc.sampleCount * doc.fftStartFraction + 0.5;
    s.startSample = start > 0.0 ? static_cast<int32_t>(std::min<double>(start, doc.sampleCount)) : 0;
    return s;
}

void manualPitchBinsOf(const SampleBuffer& doc, const ManualPitchSound& sound, double bins[2])
{
    for (int c = 0; c < 2; ++c)
        bins[c] = sound.sampleRate > 0 ? sound.frameSize * doc.channelPitch[c] / sound.sampleRate : 0.0;
}

void manual_pitch_magnitudes(const ManualPitchSound& sound, int channel, Complex* frame, double* magnitudes)
{
    const int n = sound.frameSize;
    const int16_t* x = sound.samples[channel];
    for (int k = 0; k < n; ++k) {
        const int64_t i = static_cast<int64_t>(sound.startSample) + k;
        frame[k] = {i >= 0 && i < sound.sampleCount ? x[i] * kSampleToUnit : 0.0, 0.0};
    }
    kaiser_window(n, frame, kAnalysisBeta);
    fft_forward(n, frame);
    const double floor = spectrum_noise_floor(n);
    for (int b = 0; b < n / 2; ++b) {
        const double m = std::sqrt(frame[b].re * frame[b].re + frame[b].im * frame[b].im);
        magnitudes[b] = m <= floor ? 0.0 : m;
    }
}

double manualPitchFrequency(double bin, int32_t sampleRate, int frameSize)
{
    return frameSize > 0 ? static_cast<double>(sampleRate) * bin / frameSize : 0.0;
}

std::string manualPitchFrequencyText(double hz)
{
    return formatSignificant(hz, 6) + " Hz";
}

std::string manualPitchNoteText(double hz)
{
    const int note = midiNoteOf(hz);
    if (note > 127)
        return std::string();
    return "(" + midiNoteName(note).substr(0, 3) + ")";
}

void manualPitchHints(const double bins[2], int32_t sampleRate, int frameSize, double hintsHz[2])
{
    for (int c = 0; c < 2; ++c)
        hintsHz[c] = manualPitchFrequency(bins[c], sampleRate, frameSize);
}

bool pitchMovedBeyondProfileTolerance(double oldHz, double newHz)
{
    return oldHz > 1.05 * newHz || oldHz < newHz / 1.05;
}
