#include "document/tuned_rate.h"

#include "document/SampleBuffer.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kMidiNoteZeroHz = 8.175798915;

// Period ratios of the just intervals 0..11 semitones above the target.
constexpr double kJustPeriodRatio[12] = {
    1.0, 15.0 / 16.0, 8.0 / 9.0, 5.0 / 6.0, 4.0 / 5.0, 3.0 / 4.0,
    32.0 / 45.0, 2.0 / 3.0, 5.0 / 8.0, 3.0 / 5.0, 4.0 / 7.0, 8.0 / 15.0,
};

// "Rounded": trunc(x + 0.5), as everywhere in the program.
int64_t roundHalfUp(double x)
{
    return static_cast<int64_t>(x + 0.5);
}

} // namespace

double justIntervalFactor(int32_t semitones)
{
    if (semitones >= 0)
        return 8.0 * kJustPeriodRatio[semitones % 12] / std::ldexp(1.0, semitones / 12);
    const int32_t a = -semitones;
    return 8.0 * std::ldexp(1.0, a / 12) / kJustPeriodRatio[a % 12];
}

double expectedPeriodSamples(const SampleBuffer& doc, bool cyclic31)
{
    const double steps = cyclic31 ? 31.0 : 12.0;
    const double n = cyclic31 ? doc.note31 : doc.midiNote;
    const double targetHz = kMidiNoteZeroHz * std::pow(2.0, n / steps);
    const double J = justIntervalFactor(doc.detectedNote - doc.midiNote);
    return J * doc.sampleRate / (targetHz * 8.0);
}

double channelTunedRate(const int16_t* v, int32_t frames, int32_t loopStart,
                        int32_t loopEnd, double periodSamples, int32_t sampleRate)
{
    const double e = periodSamples;
    const int64_t A = loopStart;
    const int64_t E = loopEnd;
    if (!(e > 0.0) || !std::isfinite(e) || E <= A)
        return sampleRate;

    // i runs while i < e: ceil(e) samples in a full window.
    const int64_t fullWindow = static_cast<int64_t>(std::ceil(e));
    int64_t anchor = roundHalfUp(static_cast<double>(E) - e);
    int64_t periods = 0;
    do {
        const int64_t w = anchor;
        const int64_t cHigh = std::min<int64_t>(static_cast<int64_t>(w + e / 4.0), frames - 1);
        // Lowest candidate with c > w - e/4 that is a sample of the sound.
        int64_t cLow = static_cast<int64_t>(std::floor(w - e / 4.0)) + 1;
        cLow = std::max<int64_t>(cLow, 0);

        int64_t newAnchor;
        if (cLow > cHigh) {
            // The whole search range lies outside the sound: take one exact
            // expected period.
            newAnchor = roundHalfUp(static_cast<double>(w) - e);
        } else {
            // The window reaches e samples back from A and from c; near the
            // beginning only the samples that exist are compared, and every
            // candidate of this step gets the same (shortened) window so the
            // sums stay comparable.
            const int64_t window = std::min({fullWindow, A + 1, cLow + 1});
            double best = 1.0e6;
            newAnchor = roundHalfUp(static_cast<double>(cHigh) - e);
            for (int64_t c = cHigh; c >= cLow; --c) {
                double sum = 0.0;
                for (int64_t i = 0; i < window; ++i) {
                    const double d = (v[A - i] - v[c - i]) / 32768.0;
                    sum += d * d;
                }
                if (sum < best) {
                    best = sum;
                    newAnchor = roundHalfUp(static_cast<double>(c) - e);
                }
            }
        }
        // Periods shorter than about 1.3 samples could round back onto the
        // same anchor; always move at least one sample.
        anchor = std::min(newAnchor, w - 1);
        ++periods;
    } while (static_cast<double>(anchor) > static_cast<double>(A) - e / 2.0);

    return static_cast<double>(sampleRate) * static_cast<double>(E - A) / (e * periods);
}

int32_t tunedSampleRate(const SampleBuffer& doc, bool cyclic31)
{
    const int slot = (doc.loops.currentSolution >= 0 && doc.loops.currentSolution < SolutionTable::kSlots)
                         ? doc.loops.currentSolution
                         : 0;
    const int32_t A = doc.loops.loopStart[slot];
    const int32_t E = doc.loops.loopEnd[slot];
    if (E < 1 || A < -1 || A >= E || E >= doc.sampleCount || doc.sampleRate <= 0)
        return doc.sampleRate;

    const double e = expectedPeriodSamples(doc, cyclic31);
    double rate[2] = {0.0, 0.0};
    const int used = std::min<int>(doc.channels, 2);
    for (int c = 0; c < used; ++c) {
        if (doc.samples[c].size() < static_cast<size_t>(doc.sampleCount))
            return doc.sampleRate;
        rate[c] = channelTunedRate(doc.samples[c].data(), doc.sampleCount, A, E, e, doc.sampleRate);
    }
    const double r = used == 2 ? std::sqrt(rate[0] * rate[1]) : rate[0];
    if (!(r >= 1.0))
        return doc.sampleRate;
    if (r >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(roundHalfUp(r));
}
