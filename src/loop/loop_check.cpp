#include "loop/loop_check.h"

#include "loop/sustain_selection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Junction {
    double valueJump = 0.0, slopeJump = 0.0, clickFigure = 0.0, crest = 0.0;
};

// Figures of one junction of one channel. played(k) is the played sample k
// places after the junction (k < 0 before it); k runs over -radius .. radius - 1.
Junction measureJunction(const std::function<double(int32_t)>& played, int32_t radius)
{
    std::vector<double> y(size_t(2 * radius));
    for (int32_t k = -radius; k < radius; ++k)
        y[size_t(k + radius)] = played(k) / 32768.0;
    auto at = [&](int32_t k) { return y[size_t(k + radius)]; };

    double valueSquares = 0.0, slopeSquares = 0.0;
    int slopes = 0;
    for (int32_t k = -radius; k < radius; ++k) {
        valueSquares += at(k) * at(k);
        if (k > -radius && k != 0) { // the step across the junction is what is judged
            const double d = at(k) - at(k - 1);
            slopeSquares += d * d;
            ++slopes;
        }
    }
    const double rmsValue = std::sqrt(valueSquares / (2.0 * radius));
    const double rmsSlope = slopes > 0 ? std::sqrt(slopeSquares / slopes) : 0.0;

    Junction j;
    const double left = at(-1) + (at(-1) - at(-2)) / 2.0;
    const double right = at(0) - (at(1) - at(0)) / 2.0;
    const double valueJump = std::fabs(right - left);
    const double slopeJump = std::fabs((at(1) - at(0)) - (at(-1) - at(-2)));
    // A silent neighbourhood: any jump at all is heard.
    j.valueJump = rmsValue > 0.0 ? valueJump / rmsValue : (valueJump > 0.0 ? 1e9 : 0.0);
    j.slopeJump = rmsSlope > 0.0 ? slopeJump / rmsSlope : (slopeJump > 0.0 ? 1e9 : 0.0);

    std::vector<double> others;
    double atJunction = 0.0;
    for (int32_t k = -radius + 1; k < radius - 1; ++k) {
        const double d2 = std::fabs(at(k + 1) - 2.0 * at(k) + at(k - 1));
        if (k == -1 || k == 0)
            atJunction = std::max(atJunction, d2);
        else
            others.push_back(d2);
    }
    const double largest = others.empty() ? 0.0 : *std::max_element(others.begin(), others.end());
    std::nth_element(others.begin(), others.begin() + long(others.size() / 2), others.end());
    const double median = others.empty() ? 0.0 : others[others.size() / 2];
    // Below a tenth of a 16-bit step the median is numerical silence.
    const double floor = std::max(median, 0.1 / 32768.0);
    j.clickFigure = atJunction / floor;
    j.crest = largest / floor;
    return j;
}

double meanLoopPeriod(const SampleBuffer& sound, int32_t s, int32_t e, double period)
{
    const int32_t length = std::max<int32_t>(2, int32_t(std::lround(2.0 * period)));
    const int32_t span = int32_t(std::ceil(3.2 * period));
    if (e - s <= span + 1)
        return period;
    double sum = 0.0;
    int count = 0;
    constexpr int kPlaces = 16;
    for (int i = 0; i < kPlaces; ++i) {
        const int32_t from = s + 1 + int32_t(int64_t(e - s - span - 1) * i / (kPlaces - 1));
        double r = 0.0;
        const double p = localPeriod(sound, from, length, period, &r);
        if (p > 0.0 && r >= 0.5) {
            sum += p;
            ++count;
        }
    }
    return count > 0 ? sum / count : period;
}

} // namespace

LoopCheck checkLoop(const SampleBuffer& sound, int32_t loopStart, int32_t loopEnd, bool forward,
                    const LoopCheckLimits& limits)
{
    LoopCheck out;
    const int32_t n = sound.sampleCount;
    const int32_t s = loopStart, e = loopEnd;
    if (!sound.isLoaded() || sound.sampleRate <= 0 || s < 0 || e >= n || e - s < 4)
        return out;

    const bool pitched = sound.pitchHz > 0.0 && std::isfinite(sound.pitchHz) && sound.sampleRate / sound.pitchHz >= 2.0;
    const double period = pitched ? sound.sampleRate / sound.pitchHz : 0.0;
    // Two periods (or 10 ms) either side, as far as the sound and the loop reach.
    int32_t radius = pitched ? int32_t(std::lround(2.0 * period)) : int32_t(std::lround(0.01 * sound.sampleRate));
    radius = std::max<int32_t>(radius, 8);
    radius = std::min({radius, e - s, e + 1, n - s - 1});
    if (!forward)
        radius = std::min({radius, s + 1, n - e});
    if (radius < 4)
        return out;

    for (int c = 0; c < sound.channels; ++c) {
        const int16_t* x = sound.samples[c].data();
        std::vector<Junction> junctions;
        if (forward) {
            junctions.push_back(measureJunction(
                [&](int32_t k) { return double(k < 0 ? x[e + 1 + k] : x[s + 1 + k]); }, radius));
        } else {
            junctions.push_back(measureJunction(
                [&](int32_t k) { return k < 0 ? double(x[e + 1 + k]) : -double(x[e - k]); }, radius));
            junctions.push_back(measureJunction(
                [&](int32_t k) { return k < 0 ? -double(x[s - k]) : double(x[s + 1 + k]); }, radius));
        }
        for (const Junction& j : junctions) {
            out.valueJump = std::max(out.valueJump, j.valueJump);
            out.slopeJump = std::max(out.slopeJump, j.slopeJump);
            if (j.clickFigure / std::max(j.crest, 1e-9) > out.clickFigure / std::max(out.crest, 1e-9)) {
                out.clickFigure = j.clickFigure;
                out.crest = j.crest;
            }
        }
    }
    out.valid = true;

    const bool click = out.valueJump > limits.valueJump || out.slopeJump > limits.slopeJump ||
                       (out.clickFigure >= limits.clickFigure && out.clickFigure > limits.clickOverCrest * out.crest);
    if (pitched && forward) {
        out.periods = (e - s) / meanLoopPeriod(sound, s, e, period);
        const double whole = std::max(1.0, std::round(out.periods));
        out.driftCents = 1200.0 * std::log2(whole / out.periods);
    }
    if (click)
        out.verdict = LoopVerdict::AudibleClick;
    else if (std::fabs(out.driftCents) > limits.driftCents)
        out.verdict = LoopVerdict::PitchDrift;
    return out;
}

std::string verdictText(LoopVerdict verdict)
{
    switch (verdict) {
    case LoopVerdict::AudibleClick: return "audible click";
    case LoopVerdict::PitchDrift: return "pitch drift";
    default: return "clean";
    }
}

std::string loopCheckLine(const LoopCheck& check)
{
    if (!check.valid)
        return "Loop check: the loop cannot be checked";
    std::string line = "Loop check: " + verdictText(check.verdict);
    if (check.verdict == LoopVerdict::PitchDrift) {
        char cents[48];
        std::snprintf(cents, sizeof cents, " (%+.1f cents)", check.driftCents);
        line += cents;
    }
    return line;
}
