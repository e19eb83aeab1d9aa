#include "processing/clean_enhance.h"

#include "document/SampleBuffer.h"
#include "document/undo_history.h"
#include "dsp/filter_design.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

const char* const kEnterANumber = "Please, enter a number!";
const char* const kEnterANumberInRange = "Please, enter a number between -18 and 18.";
const char* const kPitchUnknown = "The pitch of the sound is unknown.";

namespace {

constexpr double kStopEdgeRatio = 0.5;
constexpr double kPassEdgeRatio = 0.9;
constexpr double kRippleDb = 0.1;
constexpr double kAttenuationDb = 80.0;
constexpr int kPasses = 2;

constexpr int kMaxHarmonic = 32;
constexpr int kMaxGainDb = 18;

int channelCount(const SampleBuffer& doc)
{
    return std::clamp<int>(doc.channels, 0, 2);
}

int16_t restore(int64_t v, double factor)
{
    const double x = static_cast<double>(v) * factor;
    const double r = v <= 0 ? std::trunc(x - 0.5) : std::trunc(x + 0.5);
    return static_cast<int16_t>(std::clamp(r, -32768.0, 32767.0));
}

} // namespace

bool clean_channel(int16_t* samples, int32_t count, int32_t sampleRate, double pitchHz)
{
    if (!(pitchHz > kCleanMinimumPitchHz) || count <= 0 || sampleRate <= 0)
        return false;
    std::vector<int32_t> work(samples, samples + count);
    int64_t peak = 0;
    for (int32_t v : work)
        peak = std::max<int64_t>(peak, std::abs(static_cast<int64_t>(v)));
    highpass_filter(sampleRate, kStopEdgeRatio * pitchHz, kPassEdgeRatio * pitchHz, kRippleDb, kAttenuationDb,
                    count, work.data(), work.data(), kPasses);
    int64_t filteredPeak = 0;
    for (int32_t v : work)
        filteredPeak = std::max<int64_t>(filteredPeak, std::abs(static_cast<int64_t>(v)));
    // A channel filtered to silence stays silent.
    const double factor = filteredPeak > 0 ? static_cast<double>(peak) / static_cast<double>(filteredPeak) : 0.0;
    for (int32_t i = 0; i < count; ++i)
        samples[i] = restore(work[static_cast<size_t>(i)], factor);
    return true;
}

EditOutcome applyCleanLowFrequencies(SampleBuffer& doc, UndoHistory& history, const ProgressCallback& progress)
{
    if (!doc.isLoaded() || !channelArraysComplete(doc))
        return EditOutcome::Unchanged;
    const int channels = channelCount(doc);
    // No channel with a pitch to clean below: nothing would change.
    bool anyFiltered = false;
    for (int c = 0; c < channels; ++c)
        anyFiltered = anyFiltered || doc.channelPitch[c] > kCleanMinimumPitchHz;
    if (!anyFiltered)
        return EditOutcome::Unchanged;
    history.pushUndo(doc);
    ProgressDisplay display(kProgressBlocks * channels, progress);
    for (int c = 0; c < channels; ++c)
        clean_channel(doc.samples[c].data(), doc.sampleCount, doc.sampleRate, doc.channelPitch[c]);
    return EditOutcome::Changed;
}

EnhanceGainEntry parseEnhanceGain(const std::string& text)
{
    EnhanceGainEntry entry;
    const bool wellFormed = !text.empty() && (text[0] == '-' || std::isdigit(static_cast<unsigned char>(text[0]))) &&
                            std::all_of(text.begin() + 1, text.end(),
                                        [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)) != 0; });
    if (!wellFormed) {
        entry.refusal = UserMessage{kEnterANumber};
        return entry;
    }
    // Digits only, so anything longer than a few of them is out of range;
    // reading at most six keeps the value far from overflow.
    const bool negative = text[0] == '-';
    const std::string digits = text.substr(negative ? 1 : 0);
    const size_t first = std::min(digits.find_first_not_of('0'), digits.size());
    const std::string significant = digits.substr(first);
    long value = significant.size() > 6 ? 1000000 : (significant.empty() ? 0 : std::stol(significant));
    if (negative)
        value = -value;
    if (value < -kMaxGainDb || value > kMaxGainDb) {
        entry.refusal = UserMessage{kEnterANumberInRange};
        return entry;
    }
    entry.gainDb = static_cast<int>(value);
    return entry;
}

namespace {

bool harmonicFilterable(double pitchHz, int harmonic, int32_t sampleRate)
{
    return pitchHz > 0.0 && harmonic * pitchHz < sampleRate / 2.0;
}

} // namespace

EnhanceResult applyEnhanceSmooth(SampleBuffer& doc, UndoHistory& history, int harmonic, int gainDb,
                                 const ProgressCallback& progress)
{
    EnhanceResult result;
    if (!doc.isLoaded() || gainDb == 0 || !channelArraysComplete(doc) || doc.sampleRate <= 0)
        return result;
    const int channels = channelCount(doc);
    const int n = std::clamp(harmonic, 1, kMaxHarmonic);

    bool anyPitch = false;
    bool anyFilterable = false;
    for (int c = 0; c < channels; ++c) {
        anyPitch = anyPitch || doc.channelPitch[c] > 0.0;
        anyFilterable = anyFilterable || harmonicFilterable(doc.channelPitch[c], n, doc.sampleRate);
    }
    if (!anyPitch) {
        result.refusal = UserMessage{kPitchUnknown};
        return result;
    }
    if (!anyFilterable)
        return result;

    history.pushUndo(doc);
    ProgressDisplay display(kProgressBlocks * channels, progress);
    for (int c = 0; c < channels; ++c) {
        const double f = doc.channelPitch[c];
        if (!harmonicFilterable(f, n, doc.sampleRate))
            continue;
        int16_t* data = doc.samples[c].data();
        peaking_filter(doc.sampleRate, n * f, gainDb, f * 0.0625, doc.sampleCount, data, data);
    }
    result.outcome = EditOutcome::Changed;
    return result;
}
