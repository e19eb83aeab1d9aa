#include "dsp/spectrum_analysis.h"

#include "document/SampleBuffer.h"
#include "document/format.h"
#include "dsp/pitch.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int16_t kAnalysisBeta = 10;
constexpr double kPi = 3.14159265358979323846;
}

int analysisFrameSize(int fftSizeExp)
{
    if (fftSizeExp > 20)
        return 0; // beyond any frame an int can index; refused by the caller
    return static_cast<int>(std::ldexp(1024.0, fftSizeExp));
}

int32_t analysisStart(const SampleBuffer& doc)
{
    const double start = doc.sampleCount * doc.fftStartFraction;
    return start > 0.0 ? static_cast<int32_t>(start) : 0;
}

double analyseChannel(const int16_t* samples, int32_t count, int32_t start, int n, int32_t sampleRate,
                      double hintHz, Complex* frame, double* magnitudes)
{
    const int64_t first = std::max<int64_t>(0, start);
    const int64_t end = std::min<int64_t>(count, static_cast<int64_t>(start) + n);
    if (first == start && end - first == n) {
        samples_to_complex(n, samples + start, frame);
    } else {
        for (int k = 0; k < n; ++k) {
            const int64_t i = static_cast<int64_t>(start) + k;
            frame[k] = {i >= first && i < end ? samples[i] * kSampleToUnit : 0.0, 0.0};
        }
    }
    kaiser_window(n, frame, kAnalysisBeta);
    fft_forward(n, frame);
    return detect_pitch(n, frame, magnitudes, sampleRate, hintHz);
}

double sustainMeanBin(const int16_t* samples, int32_t count, int32_t start, int n, int32_t sampleRate,
                      double firstBin, Complex* frame, double* magnitudes)
{
    constexpr int kMaxFrames = 16;
    constexpr double kSameNote = 0.06; // a semitone; a +-60 cent vibrato's frames stay within it
    if (!(firstBin > 0.0) || n < 4 || sampleRate <= 0)
        return firstBin;
    const double hintHz = firstBin * sampleRate / n;
    const int64_t hop = n / 4;
    const int64_t first = std::max<int32_t>(start, 0);
    int frames = 1;
    while (frames < kMaxFrames && first + frames * hop + n <= count)
        ++frames;
    // Hann weights over the frames: their shifted windows add up to one
    // smooth window as long as the stretch analysed.
    double sum = 0.0, weights = 0.0;
    for (int k = 0; k < frames; ++k) {
        const double bin = k == 0 ? firstBin
                                  : analyseChannel(samples, count, static_cast<int32_t>(first + k * hop), n,
                                                   sampleRate, hintHz, frame, magnitudes);
        if (std::fabs(bin - firstBin) > kSameNote * firstBin)
            continue;
        const double w = 0.5 - 0.5 * std::cos(2.0 * kPi * (k + 0.5) / frames);
        sum += w * bin;
        weights += w;
    }
    return weights > 0.0 ? sum / weights : firstBin;
}

namespace {

bool canAnalyse(const SampleBuffer& doc)
{
    const int channels = std::min<int>(doc.channels, 2);
    if (!doc.isLoaded() || channels < 1 || doc.sampleRate <= 0 || analysisFrameSize(doc.fftSizeExp) < 2)
        return false;
    for (int c = 0; c < channels; ++c)
        if (doc.samples[c].size() < static_cast<size_t>(doc.sampleCount))
            return false;
    return true;
}

} // namespace

bool analyseSpectrum(SampleBuffer& doc, const double* hintsHz, SpectrumAnalysis& result)
{
    if (!canAnalyse(doc)) {
        doc.channelPitch[0] = doc.channelPitch[1] = 0.0;
        return false;
    }
    const int channels = std::min<int>(doc.channels, 2);
    const int n = analysisFrameSize(doc.fftSizeExp);

    result.frameSize = n;
    result.channels = channels;
    result.sampleRate = doc.sampleRate;
    result.frame.resize(static_cast<size_t>(n));
    const int32_t start = analysisStart(doc);
    std::vector<double> work;
    for (int c = 0; c < 2; ++c) {
        if (c >= channels) {
            result.magnitudes[c].clear();
            result.fundamentalBin[c] = result.channelHz[c] = 0.0;
            continue;
        }
        result.magnitudes[c].resize(static_cast<size_t>(n / 2));
        const double hint = hintsHz ? hintsHz[c] : 0.0;
        const double bin = analyseChannel(doc.samples[c].data(), doc.sampleCount, start, n, doc.sampleRate,
                                          hint, result.frame.data(), result.magnitudes[c].data());
        if (work.size() < static_cast<size_t>(n / 2))
            work.resize(static_cast<size_t>(n / 2));
        const double meanBin = sustainMeanBin(doc.samples[c].data(), doc.sampleCount, start, n, doc.sampleRate, bin,
                                              result.frame.data(), work.data());
        result.fundamentalBin[c] = meanBin;
        result.channelHz[c] = meanBin * doc.sampleRate / n;
        doc.channelPitch[c] = result.channelHz[c];
    }
    return true;
}

PitchUpdate updatePitch(SampleBuffer& doc)
{
    doc.updatePitchHz();
    PitchUpdate u;
    u.pitchHz = doc.pitchHz;
    u.pitchText = formatSignificant(doc.pitchHz, 6) + " Hz";
    u.detectedNote = midiNoteOf(doc.pitchHz);
    u.note31 = note31Of(doc.pitchHz);
    u.noteSelection = u.detectedNote <= 127 ? u.detectedNote : -1;
    u.cleanLowFrequencies = cleanLowFrequenciesAllowed(doc.pitchHz);
    doc.detectedNote = doc.midiNote = static_cast<int16_t>(u.detectedNote);
    doc.note31 = static_cast<int16_t>(u.note31);
    return u;
}

bool cleanLowFrequenciesAllowed(double pitchHz)
{
    return pitchHz > 32.0;
}
