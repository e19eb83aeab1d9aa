#include "mixing/fft_mixing.h"

#include "document/SampleBuffer.h"
#include "document/format.h"
#include "dsp/fft.h"
#include "dsp/filter_design.h"
#include "dsp/pitch.h"
#include "dsp/resample_sinc.h"
#include "dsp/spectrum.h"

#include <algorithm>
#include <cmath>

double noteFrequency(int note) { return kMidiNoteZeroHz * std::pow(2.0, note / 12.0); }

int proposedDestinationNote(double pitchHz, double otherPitchHz)
{
    if (otherPitchHz <= 0.0)
        return midiNoteOf(pitchHz);
    if (pitchHz <= 0.0)
        return midiNoteOf(otherPitchHz);
    return midiNoteOf(std::sqrt(pitchHz * otherPitchHz));
}

std::string harmonicOrdinal(int n)
{
    const int last = n % 10;
    const int lastTwo = n % 100;
    if (last == 1 && lastTwo != 11)
        return "st harmonic";
    if (last == 2 && lastTwo != 12)
        return "nd harmonic";
    if (last == 3 && lastTwo != 13)
        return "rd harmonic";
    return "th harmonic";
}

std::string mixPercentText(int v)
{
    return std::to_string(100 - v) + " % (of the 1st sound) - " + std::to_string(v) + " % (of the 2nd sound)";
}

int32_t delayFrames(int32_t delayUs, int32_t rate)
{
    return static_cast<int32_t>(delayUs * 0.000001 * rate + 0.5);
}

int32_t maxDestinationRate(int maxRateIndex) { return 48000 * (maxRateIndex + 1); }

namespace {

constexpr double kScale = 1.0 / 32768.0;

// Sum over i = 0 .. len - 1 of the squared difference of the windows ending
// at a and b, both channels' differences added; stops once it reaches `stop`.
double windowDistance(const int16_t* const x[2], int channels, int64_t a, int64_t b, int64_t len, double stop)
{
    double sum = 0.0;
    for (int64_t i = 0; i < len; ++i) {
        double d = (x[0][b - i] - x[0][a - i]) * kScale;
        if (channels == 2)
            d += (x[1][b - i] - x[1][a - i]) * kScale;
        sum += d * d;
        if (sum >= stop)
            break;
    }
    return sum;
}

} // namespace

int32_t tunedRateForNote(int32_t rate, int32_t frames, int channels, double pitchHz, const int16_t* const samples[2],
                         int note)
{
    if (pitchHz <= 0.0 || rate <= 0)
        return rate;
    const double noteHz = noteFrequency(note);
    const int32_t fallback = static_cast<int32_t>(double(rate) * noteHz / pitchHz + 0.5);
    const int64_t period = static_cast<int64_t>(rate / pitchHz + 0.5);
    const double l = rate / noteHz;
    const int64_t len = static_cast<int64_t>(l); // i = 0 .. l - 1
    if (period < 1 || len < 2)
        return fallback;
    const int64_t third = frames / 3;
    const int64_t d0 = static_cast<int64_t>(third * 0.95);
    // The pair's distance lies in d0 .. third; without a whole period of
    // the pitch in that range every pair compares unlike phases, and the
    // count of note periods between them would be wrong.
    const double exactPeriod = rate / pitchHz;
    if (std::floor(third / exactPeriod) * exactPeriod < d0)
        return fallback;

    // 1. The pair of period-spaced ends whose 4P-sample windows match best.
    const int64_t window = 4 * period;
    double best = 1000000.0;
    int64_t bestR = -1;
    int64_t bestE = -1;
    for (int64_t r = std::max(third, window); r < 2 * third - d0; r += period) {
        for (int64_t e = r + d0; e - r <= third && e < 2 * third; ++e) {
            const double sum = windowDistance(samples, channels, r, e, window, best);
            if (sum < best) {
                best = sum;
                bestR = r;
                bestE = e;
            }
        }
    }
    // The fine steps compare the l samples before r.
    if (bestR < 0 || bestR + 1 < len)
        return fallback;

    // 2. Per channel, count the note periods from e back to r. A channel
    // that is silent over the l samples before r matches everywhere equally
    // well and says nothing about the rate: it is left out.
    double rates[2] = {0.0, 0.0};
    int measured = 0;
    for (int c = 0; c < channels; ++c) {
        const int16_t* const one[2] = {samples[c], nullptr};
        if (std::all_of(samples[c] + bestR + 1 - len, samples[c] + bestR + 1, [](int16_t v) { return v == 0; }))
            continue;
        int64_t u = static_cast<int64_t>(bestE - l + 0.5);
        int steps = 0;
        do {
            int64_t bestW = -1;
            double least = 0.0;
            const int64_t top = std::min<int64_t>(static_cast<int64_t>(u + l / 4), frames - 1);
            for (int64_t w = top; w > u - l / 4 && w + 1 >= len; --w) {
                const double sum = windowDistance(one, 1, bestR, w, len, INFINITY);
                if (bestW < 0 || sum < least) {
                    least = sum;
                    bestW = w;
                }
            }
            if (bestW < 0)
                return fallback; // the step ran off the start of the sound
            u = static_cast<int64_t>(bestW - l + 0.5);
            ++steps;
        } while (u > bestR - l / 2);
        rates[measured++] = double(bestE - bestR) / (l * steps) * rate;
    }
    if (measured == 0)
        return fallback;
    const double tuned = measured == 2 ? std::sqrt(rates[0] * rates[1]) : rates[0];
    return static_cast<int32_t>(tuned + 0.5);
}

MixRates planMixRates(const MixInput inputs[2], int destinationNote, int maxRateIndex)
{
    MixRates rates;
    int64_t highest = 0;
    for (int i = 0; i < 2; ++i) {
        const MixInput& in = inputs[i];
        const int16_t* const x[2] = {in.samples[0].data(), in.channels == 2 ? in.samples[1].data() : nullptr};
        const int32_t tuned = tunedRateForNote(in.sampleRate, in.frameCount, in.channels, in.pitchHz, x, in.midiNote);
        const double factor = std::pow(2.0, (destinationNote - in.midiNote) / 12.0);
        const double r = std::clamp(factor * tuned + 0.5, 1.0, double(INT32_MAX));
        rates.rate[i] = static_cast<int32_t>(r);
        highest = std::max<int64_t>(highest, rates.rate[i]);
    }
    rates.destination = static_cast<int32_t>(std::min<int64_t>(highest, maxDestinationRate(maxRateIndex)));
    return rates;
}

void resampleMixInput(const MixInput& input, int32_t fromRate, int32_t toRate, ResampledInput& out)
{
    int up = 0;
    int down = 0;
    reduce_ratio(toRate, fromRate, up, down);
    out.channels = input.channels;
    const int64_t length =
        up == down ? input.frameCount : static_cast<int64_t>(double(up) / down * input.frameCount);
    out.frameCount = static_cast<int32_t>(std::clamp<int64_t>(length, 0, INT32_MAX));
    for (int c = 0; c < 2; ++c) {
        out.samples[c].clear();
        if (c >= input.channels)
            continue;
        if (up == down) {
            out.samples[c] = input.samples[c];
            continue;
        }
        out.samples[c].resize(out.frameCount);
        if (out.frameCount > 0)
            resample_sinc(fromRate, up, down, input.frameCount, out.frameCount, input.samples[c].data(),
                          out.samples[c].data());
    }
}

void mixInharmonic(const MixInput inputs[2], const ResampledInput converted[2], const MixSettings& settings,
                   int32_t destinationRate, MixResult& result)
{
    result.channels = std::max(inputs[0].channels, inputs[1].channels);
    result.bitsPerSample = std::max(inputs[0].bitsPerSample, inputs[1].bitsPerSample);
    result.blockAlign = static_cast<int16_t>(result.bitsPerSample * result.channels / 8);
    result.sampleRate = destinationRate;
    result.frameCount = settings.lengthRule == 1 ? std::max(converted[0].frameCount, converted[1].frameCount)
                                                 : std::min(converted[0].frameCount, converted[1].frameCount);
    const int32_t shift = delayFrames(settings.delayUs, destinationRate);
    const int32_t shifts[2] = {settings.delayedSound == 0 ? shift : 0, settings.delayedSound == 1 ? shift : 0};
    const double g = settings.inharmonicPercent / 100.0;
    const double weight[2] = {1.0 - g, g};

    for (int c = 0; c < 2; ++c)
        result.samples[c].clear();
    for (int c = 0; c < result.channels; ++c) {
        std::vector<int16_t>& out = result.samples[c];
        out.assign(result.frameCount, 0);
        const int16_t* src[2];
        for (int i = 0; i < 2; ++i)
            src[i] = converted[i].samples[converted[i].channels == 2 ? c : 0].data();
        for (int32_t t = 0; t < result.frameCount; ++t) {
            double v[2];
            for (int i = 0; i < 2; ++i) {
                const int64_t at = int64_t(t) - shifts[i];
                v[i] = at >= 0 && at < converted[i].frameCount ? src[i][at] : 0.0;
            }
            out[t] = static_cast<int16_t>(weight[1] * v[1] + weight[0] * v[0]);
        }
    }
}

std::vector<double> targetProfile(const HarmonicProfile& first, const HarmonicProfile& second, double h, int m)
{
    std::vector<double> target(std::max(m, 0));
    if (m <= 0)
        return target;
    double start = (1.0 - h) * first.levels[0] + h * second.levels[0];
    for (;;) {
        target[0] = start;
        int above12 = 0;
        bool tooLoud = false;
        for (int k = 1; k < m && !tooLoud; ++k) {
            target[k] = target[k - 1] + (1.0 - h) * (first.levels[k] - first.levels[k - 1]) +
                        h * (second.levels[k] - second.levels[k - 1]);
            if (target[k] > -12.0)
                ++above12;
            tooLoud = target[k] > -6.0 || above12 >= 2;
        }
        if (!tooLoud)
            return target;
        start -= 6.0;
    }
}

void equalizeHarmonics(MixResult& result, const MixInput inputs[2], const MixSettings& settings)
{
    const int n = settings.equalizeUntil;
    const double maxGain = settings.maxGainDb;
    if (n <= 0 || maxGain <= 0.0 || !result.made())
        return;
    const double h = settings.harmonicPercent / 100.0;
    const int32_t frames = result.frameCount;
    const int32_t start = frames / 3;
    int size = 16384;
    while (size > 2 && int64_t(start) + size >= frames)
        size /= 2;
    const int half = size / 2;
    const int32_t rate = result.sampleRate;
    std::vector<Complex> frame(size);
    std::vector<double> magnitudes(half);

    for (int c = 0; c < result.channels; ++c) {
        const HarmonicProfile& p1 = inputs[0].profile[inputs[0].channels == 2 ? c : 0];
        const HarmonicProfile& p2 = inputs[1].profile[inputs[1].channels == 2 ? c : 0];
        const int m = std::min(n, std::min(p1.count(), p2.count()) - 1);
        if (m <= 0)
            continue;
        const std::vector<double> target = targetProfile(p1, p2, h, m);

        int16_t* x = result.samples[c].data();
        samples_to_complex(size, x + start, frame.data());
        kaiser_window(size, frame.data(), 10);
        fft_forward(size, frame.data());
        const double s = detect_pitch(size, frame.data(), magnitudes.data(), rate, 0.0);
        if (s <= 0.0)
            continue; // a silent result has no harmonics to move
        const double pitch = rate * s / size;
        const double floor = spectrum_noise_floor(size);
        const int w = static_cast<int>(s / 6);

        for (int k = 0; k < m && k * s < half; ++k) {
            const int centre = static_cast<int>(s * (k + 1) + 0.5);
            double v = 0.0;
            int bin = std::min(centre, half - 1);
            for (int b = std::max(0, centre - w); b <= centre + w && b < half; ++b) {
                if (magnitudes[b] > v) {
                    v = magnitudes[b];
                    bin = b;
                }
            }
            const double fk = double(rate) * bin / size;
            double gain = 0.0;
            if (v > floor) {
                const double level = spectrum_level_db(v, size);
                gain = level >= -60.0 || target[k] >= -60.0 ? target[k] - level : 0.0;
            } else {
                gain = target[k] >= -60.0 ? target[k] + 100.0 : 0.0;
            }
            gain = std::clamp(gain, -maxGain, maxGain);
            // At most 18 dB per section: a single steeper section would ring.
            while (gain > 18.0 || gain < -18.0) {
                const double step = gain > 0.0 ? 18.0 : -18.0;
                peaking_filter(rate, fk, step, pitch * 0.0625, frames, x, x);
                gain -= step;
            }
            peaking_filter(rate, fk, gain, pitch * 0.0625, frames, x, x);
        }
    }
}

void applyMixResult(SampleBuffer& doc, const MixResult& result)
{
    doc.filePath.clear();
    doc.fileTitle.clear();
    doc.fileFolder.clear();
    doc.loops.clear();
    doc.loops.currentSolution = 0;
    // A new sound: no file's loops, cue points or chunks.
    doc.marks.clear();
    doc.chunks.clear();
    // The mix is a 16-bit (or 8-bit) sound of its own: the previous file's
    // samples have nothing to do with it.
    doc.fullRes.clear();
    doc.fullRes.encoding = WaveEncoding{};
    doc.sixteenBitAgreed = false;
    doc.sampleRate = result.sampleRate;
    doc.bitsPerSample = result.bitsPerSample;
    doc.blockAlign = result.blockAlign;
    doc.channels = result.channels;
    doc.sampleCount = result.frameCount;
    doc.allocateSamples(result.channels, result.frameCount);
    for (int c = 0; c < result.channels; ++c)
        std::copy(result.samples[c].begin(), result.samples[c].begin() + result.frameCount, doc.samples[c].begin());
    doc.fftSizeExp = 4;
    while (doc.fftSizeExp > 0 &&
           1024.0 * (1 << doc.fftSizeExp) + doc.fftStartFraction * doc.sampleCount >= doc.sampleCount)
        --doc.fftSizeExp;
    doc.channelPitch[0] = doc.channelPitch[1] = 0.0;
    doc.pitchHz = 0.0;
    doc.isSaved = false;
}
