#include "loop/bpm.h"

#include "document/SampleBuffer.h"
#include "document/format.h"
#include "document/undo_history.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

double bpm_beats_in_measure(const BpmSettings& settings)
{
    const double beats = settings.beatsPerMeasure;
    return settings.beatValueIndex == 1 ? beats / 3.0 : beats;
}

double bpm_sample_rate(int32_t loopLength, const BpmSettings& settings)
{
    if (!(settings.tempo > 0.0) || settings.measures <= 0 || settings.beatsPerMeasure <= 0)
        return 0.0;
    const double seconds = bpm_beats_in_measure(settings) * (60.0 / settings.tempo) * settings.measures;
    return std::trunc(loopLength / seconds + 0.5);
}

BpmSettings bpm_proposal(int32_t loopLength, int32_t sampleRate)
{
    BpmSettings s;
    s.beatValueIndex = 0;
    s.beatsPerMeasure = 4;
    s.measures = 1;
    if (loopLength <= 0 || sampleRate <= 0) {
        s.tempo = kBpmMaxTempo;
        return s;
    }
    auto tempoOf = [&](int64_t m) { return static_cast<double>(sampleRate) * 4.0 * m * 60.0 / loopLength; };
    // t grows with m: start just below the count that reaches 60 BPM, so a
    // long loop at a low rate costs a step or two, not millions.
    const int64_t guess = static_cast<int64_t>(60.0 * loopLength / (240.0 * sampleRate));
    int64_t m = std::max<int64_t>(1, guess - 1);
    while (tempoOf(m) < 60.0)
        ++m;
    s.measures = static_cast<int16_t>(std::min<int64_t>(m, INT16_MAX));
    s.tempo = std::min(tempoOf(m), kBpmMaxTempo);
    return s;
}

void relabel_sample_rate(SampleBuffer& doc, int32_t newRate)
{
    if (doc.sampleRate > 0) {
        const double k = static_cast<double>(newRate) / doc.sampleRate;
        doc.channelPitch[0] *= k;
        doc.channelPitch[1] *= k;
    }
    doc.updatePitchHz();
    doc.sampleRate = newRate;
}

BpmResult applyBpmMachine(SampleBuffer& doc, UndoHistory& history, const BpmSettings& settings)
{
    BpmResult r;
    const int slot = doc.loops.currentSolution;
    if (!doc.isLoaded() || slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return r;
    const int32_t length = doc.loops.loopEnd[slot] - doc.loops.loopStart[slot];
    r.newRate = bpm_sample_rate(length, settings);
    if (!(r.newRate >= kBpmMinRate && r.newRate <= kBpmMaxRate)) {
        r.outcome = BpmOutcome::OutOfRange;
        return r;
    }
    const auto rate = static_cast<int32_t>(r.newRate);
    if (rate == doc.sampleRate) {
        r.outcome = BpmOutcome::Unchanged;
        return r;
    }
    history.pushUndo(doc);
    relabel_sample_rate(doc, rate);
    r.outcome = BpmOutcome::Changed;
    return r;
}

namespace {

std::string groupedRate(double rate)
{
    if (rate >= 0.0 && rate <= static_cast<double>(std::numeric_limits<int32_t>::max()))
        return formatInteger(static_cast<int32_t>(rate), true);
    char text[64];
    const long long value = rate < 0.0 ? 0 : static_cast<long long>(std::min(rate, 1e18));
    std::snprintf(text, sizeof text, "%lld.%03lld", value / 1000, value % 1000);
    return text;
}

} // namespace

UserMessage bpmRateOutOfRangeMessage(double newRate)
{
    return {"The new sample rate would be " + groupedRate(newRate) + " Hz; it must lie between " +
            formatInteger(kBpmMinRate, true) + " and " + formatInteger(kBpmMaxRate, true) + " Hz."};
}
