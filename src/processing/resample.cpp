#include "processing/resample.h"

#include "document/SampleBuffer.h"
#include "dsp/resample_sinc.h"
#include "dsp/spectrum.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// The analysis window never shrinks below one sample, even should the start
// fraction leave no room at all.
constexpr int16_t kLowestFftSizeExp = -10;

void reduceRates(int32_t fromRate, int32_t toRate, int& up, int& down)
{
    reduce_ratio(toRate, fromRate, up, down);
}

// Slots 0 .. 9 after scaling: the loops kept, in order, from slot 0 on.
void dropEmptiedLoops(SolutionTable& loops, const bool emptied[SolutionTable::kSolutions])
{
    if (std::none_of(emptied, emptied + SolutionTable::kSolutions, [](bool e) { return e; }))
        return;
    const int current = loops.currentSolution;
    int kept = 0;
    int newCurrent = -1;
    for (int i = 0; i < SolutionTable::kSolutions; ++i) {
        if (emptied[i] || !loops.hasLoop(i))
            continue;
        if (i == current)
            newCurrent = kept;
        loops.loopStart[kept] = loops.loopStart[i];
        loops.loopEnd[kept] = loops.loopEnd[i];
        ++kept;
    }
    for (int i = kept; i < SolutionTable::kSolutions; ++i)
        loops.loopStart[i] = loops.loopEnd[i] = -1;
    loops.currentSolution = static_cast<int16_t>(newCurrent >= 0 ? newCurrent : kept);
}

} // namespace

std::string sampleRateDigits(const std::string& text)
{
    std::string digits;
    for (const char ch : text) {
        if (ch == '.')
            continue;
        if (ch < '0' || ch > '9')
            break;
        digits += ch;
    }
    return digits;
}

std::optional<int32_t> parseSampleRate(const std::string& text)
{
    constexpr int64_t kLimit = std::numeric_limits<int32_t>::max();
    int64_t value = 0;
    for (const char ch : sampleRateDigits(text))
        value = std::min(kLimit, value * 10 + (ch - '0'));
    if (value == 0)
        return std::nullopt;
    return static_cast<int32_t>(value);
}

bool sampleRateInRange(int64_t rate)
{
    return rate >= kMinSampleRate && rate <= kMaxSampleRate;
}

UserMessage positiveNumberMessage()
{
    return {"Please enter a positive number."};
}

UserMessage rateOutOfRangeMessage()
{
    return {"The sample rate must be between 1 and 768.000 Hz."};
}

UserMessage tooShortMessage()
{
    return {"The resampled sound would be shorter than 128 samples."};
}

UserMessage loopNeededMessage()
{
    return {"There must be a loop selected."};
}

UserMessage alreadyTunedMessage(const std::string& fileTitle)
{
    return {fileTitle + " is already tuned."};
}

int32_t resampledFrameCount(int32_t frames, int32_t fromRate, int32_t toRate)
{
    int up = 1;
    int down = 1;
    reduceRates(fromRate, toRate, up, down);
    const double f = static_cast<double>(up) / static_cast<double>(down);
    const double n = std::trunc(static_cast<double>(frames) * f + 0.5);
    return n > std::numeric_limits<int32_t>::max() ? std::numeric_limits<int32_t>::max() : static_cast<int32_t>(n);
}

ResampleCheck checkResample(const SampleBuffer& doc, int32_t fromRate, int32_t toRate)
{
    if (!sampleRateInRange(fromRate) || !sampleRateInRange(toRate))
        return ResampleCheck::RateOutOfRange;
    if (resampledFrameCount(doc.sampleCount, fromRate, toRate) < kMinResampledFrames)
        return ResampleCheck::TooShort;
    return ResampleCheck::Ok;
}

std::optional<UserMessage> messageFor(ResampleCheck check)
{
    switch (check) {
    case ResampleCheck::RateOutOfRange:
        return rateOutOfRangeMessage();
    case ResampleCheck::TooShort:
        return tooShortMessage();
    case ResampleCheck::Ok:
        break;
    }
    return std::nullopt;
}

namespace {

// What follows the conversion of the samples: the loop slots and the file's
// marks scaled, the rate replaced and the analysis window fitted (see
// resampleSound).
DroppedMarks finishResample(SampleBuffer& doc, int up, int down, int32_t fromRate, int32_t toRate)
{
    const int32_t newFrames = doc.sampleCount;
    const double f = static_cast<double>(up) / static_cast<double>(down);
    SolutionTable& loops = doc.loops;
    bool emptied[SolutionTable::kSolutions] = {};
    for (int i = 0; i < SolutionTable::kSolutions; ++i) {
        const bool hadLoop = loops.hasLoop(i);
        int32_t& start = loops.loopStart[i];
        int32_t& end = loops.loopEnd[i];
        if (start > 0)
            start = static_cast<int32_t>(std::trunc(f * start + 0.5));
        if (end > 0)
            end = std::min(newFrames - 1, static_cast<int32_t>(std::trunc(f * end + 0.5)));
        // Strong downsampling can map a short loop onto a single point.
        emptied[i] = hadLoop && end <= start;
    }
    dropEmptiedLoops(loops, emptied);
    const DroppedMarks dropped = rescaleMarks(doc.marks, fromRate, toRate, newFrames);

    doc.sampleRate = toRate;

    while (doc.fftSizeExp > kLowestFftSizeExp &&
           1024.0 * std::pow(2.0, doc.fftSizeExp) + doc.fftStartFraction * newFrames >= newFrames)
        --doc.fftSizeExp;
    return dropped;
}

// A resampled value in a format's native units: PCM rounded half away from
// zero (as the 16-bit resampler rounds) and clamped to its range; float32
// rounded to single precision; float64 kept.
double roundToFormat(double v, const WaveEncoding& e)
{
    if (e.isFloat)
        return e.bits == 32 ? static_cast<double>(static_cast<float>(v)) : v;
    const double top = std::ldexp(1.0, e.bits - 1);
    const double r = v > 0.0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
    return std::clamp(r, -top, top - 1.0);
}

} // namespace

UserMessage resampledMarksMessage(const DroppedMarks& dropped)
{
    return droppedMarksMessage(dropped, "at the new rate they fall past the end of the sound");
}

DroppedMarks resampleSound(SampleBuffer& doc, int32_t fromRate, int32_t toRate)
{
    int up = 1;
    int down = 1;
    reduceRates(fromRate, toRate, up, down);
    const int32_t frames = doc.sampleCount;
    const int32_t newFrames = resampledFrameCount(frames, fromRate, toRate);

    // One coefficient table serves every channel.
    const SincResampler resampler(fromRate, up, down, newFrames);
    std::vector<int16_t> converted(static_cast<size_t>(newFrames));
    for (int c = 0; c < doc.channels && c < 2; ++c) {
        resampler.run(frames, doc.samples[c].data(), converted.data());
        if (doc.samples[c].size() < converted.size())
            doc.samples[c].resize(converted.size());
        std::copy(converted.begin(), converted.end(), doc.samples[c].begin());
    }
    doc.sampleCount = newFrames;
    if (newFrames > frames)
        doc.ensureWorkingArrays();
    return finishResample(doc, up, down, fromRate, toRate);
}

DroppedMarks resampleSoundFullResolution(SampleBuffer& doc, int32_t fromRate, int32_t toRate)
{
    if (!doc.ownSamplesCurrent()) {
        doc.dropStaleFullResolution();
        return resampleSound(doc, fromRate, toRate);
    }
    int up = 1;
    int down = 1;
    reduceRates(fromRate, toRate, up, down);
    const int32_t frames = doc.sampleCount;
    const int32_t newFrames = resampledFrameCount(frames, fromRate, toRate);
    const WaveEncoding enc = doc.fullRes.encoding;
    const int channels = doc.channels;
    const size_t bytes = static_cast<size_t>(enc.bytes());
    const size_t frameBytes = bytes * static_cast<size_t>(channels);

    const uint8_t* from = doc.fullRes.data();
    auto converted = std::make_shared<ByteBuffer>(static_cast<size_t>(newFrames) * frameBytes); // every byte encoded below
    uint8_t* to = converted->data();
    const SincResampler resampler(fromRate, up, down, newFrames);
    std::vector<double> in(static_cast<size_t>(frames));
    std::vector<double> out(static_cast<size_t>(newFrames));
    for (int c = 0; c < channels; ++c) {
        for (size_t i = 0; i < in.size(); ++i)
            in[i] = decodeNative(from + i * frameBytes + static_cast<size_t>(c) * bytes, enc);
        resampler.run(frames, in.data(), out.data());
        for (size_t m = 0; m < out.size(); ++m)
            encodeNative(roundToFormat(out[m], enc), enc, to + m * frameBytes + static_cast<size_t>(c) * bytes);
    }

    // The image is made from the converted own samples, so that the two
    // stand for each other as after a load.
    for (int c = 0; c < channels && c < 2; ++c)
        if (doc.samples[c].size() < static_cast<size_t>(newFrames))
            doc.samples[c].resize(static_cast<size_t>(newFrames));
    decodeImage16(to, enc, channels, static_cast<size_t>(newFrames), doc.samples[0].data(),
                  channels == 2 ? doc.samples[1].data() : nullptr);
    doc.fullRes.replace(std::move(converted));
    doc.sampleCount = newFrames;
    if (newFrames > frames)
        doc.ensureWorkingArrays();
    doc.tieOwnSamples();
    return finishResample(doc, up, down, fromRate, toRate);
}

double pitchShiftRatio(int semitones, float cents)
{
    const double centRatio = std::pow(2.0, 1.0 / 1200.0);
    return std::pow(centRatio, 100.0 * semitones + static_cast<double>(cents));
}

int64_t pitchShiftSourceRate(int32_t rate, double ratio)
{
    return static_cast<int64_t>(std::trunc(rate * ratio + 0.5));
}

int64_t transposedRate(int32_t baseRate, int semitones, double cents)
{
    return static_cast<int64_t>(std::trunc(baseRate * std::pow(2.0, (100.0 * semitones + cents) / 1200.0) + 0.5));
}

Transposition transpositionOf(int32_t baseRate, int32_t rate)
{
    const double d = 1200.0 * std::log2(static_cast<double>(rate) / static_cast<double>(baseRate));
    int semitones = static_cast<int>(std::trunc(d * 0.01 + 0.5));
    double rest = d - 100.0 * semitones;
    if (rest > 50.0) {
        ++semitones;
        rest -= 100.0;
    } else if (rest < -50.0) {
        --semitones;
        rest += 100.0;
    }
    const double tenths = std::trunc(rest * 10.0 + (rest < 0.0 ? -0.5 : 0.5));
    return {semitones, tenths / 10.0};
}

void relabelSampleRate(SampleBuffer& doc, int32_t newRate)
{
    if (doc.sampleRate > 0) {
        const double k = static_cast<double>(newRate) / static_cast<double>(doc.sampleRate);
        for (double& hz : doc.channelPitch)
            hz *= k;
    }
    doc.sampleRate = newRate;
}
