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
    double valueElsewhere = 0.0, slopeElsewhere = 0.0; // the largest at other boundaries
    double tickLevel = 0.0; // the junction's second difference over the RMS value
};

// The gaps in value and slope at the boundary between y[b-1] and y[b] of the
// two parabolas through y[b-3..b-1] and y[b..b+2], carried to the midpoint.
struct Gap {
    double value, slope;
};
Gap gapAt(const std::vector<double>& y, size_t b)
{
    const double leftStep = y[b - 1] - y[b - 2], leftCurve = y[b - 1] - 2.0 * y[b - 2] + y[b - 3];
    const double rightStep = y[b + 1] - y[b], rightCurve = y[b + 2] - 2.0 * y[b + 1] + y[b];
    const double left = y[b - 1] + 0.5 * leftStep + 0.375 * leftCurve;
    const double right = y[b] - 0.5 * rightStep + 0.375 * rightCurve;
    return {std::fabs(right - left), std::fabs((rightStep - 1.5 * rightCurve) - (leftStep + 1.5 * leftCurve))};
}

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
    // A silent neighbourhood: any gap at all is heard.
    auto relative = [](double gap, double scale) { return scale > 0.0 ? gap / scale : (gap > 0.0 ? 1e9 : 0.0); };

    Junction j;
    const Gap junction = gapAt(y, size_t(radius));
    j.valueJump = relative(junction.value, rmsValue);
    j.slopeJump = relative(junction.slope, rmsSlope);
    // The same gaps at every other boundary: what the wave's own brightness
    // gives, since three samples follow a high partial poorly.
    for (int32_t b = -radius + 3; b <= radius - 3; ++b) {
        if (b == 0)
            continue;
        const Gap g = gapAt(y, size_t(b + radius));
        j.valueElsewhere = std::max(j.valueElsewhere, relative(g.value, rmsValue));
        j.slopeElsewhere = std::max(j.slopeElsewhere, relative(g.slope, rmsSlope));
    }

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
    j.tickLevel = relative(atJunction, rmsValue);
    j.crest = largest / floor;
    return j;
}

bool isClick(const Junction& j, const LoopCheckLimits& limits)
{
    const double over = limits.clickOverCrest;
    return (j.valueJump > limits.valueJump && j.valueJump > over * j.valueElsewhere) ||
           (j.slopeJump > limits.slopeJump && j.slopeJump > over * j.slopeElsewhere) ||
           (j.clickFigure >= limits.clickFigure && j.clickFigure > over * j.crest && j.tickLevel >= limits.tickLevel);
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

// The junction mismatch of the forward loop (s, e) over k = -radius ..
// radius - 1, cut where the sound ends: per channel the RMS of
// x[e+1+k] - x[s+1+k] over the RMS level of both, the worst audible channel.
double forwardMismatch(const SampleBuffer& sound, int32_t s, int32_t e, int32_t radius)
{
    const int32_t lo = std::max(-radius, -(s + 1));
    const int32_t hi = std::min(radius, sound.sampleCount - 1 - e);
    double num[2] = {0.0, 0.0}, den[2] = {0.0, 0.0};
    for (int c = 0; c < sound.channels && c < 2; ++c) {
        const int16_t* x = sound.samples[c].data();
        for (int32_t k = lo; k < hi; ++k) {
            const double a = x[e + 1 + k], b = x[s + 1 + k];
            num[c] += (a - b) * (a - b);
            den[c] += 0.5 * (a * a + b * b);
        }
    }
    const double loudest = std::max(den[0], den[1]);
    if (loudest <= 0.0)
        return num[0] + num[1] > 0.0 ? 1e9 : 0.0;
    double worst = 0.0;
    for (int c = 0; c < 2; ++c)
        if (den[c] >= 0.01 * loudest)
            worst = std::max(worst, num[c] / den[c]);
    return std::sqrt(worst);
}

// How many frames the loop end lies before the place where the wave after
// it lines up with the wave after the start: the lag t within half a
// period of the end of the largest normalised correlation between
// x[s+1+k] and x[e+1+t+k] (channels summed, k over two periods either
// side), refined by a parabola. False when it cannot be measured there or the
// waves correlate below 0.5.
bool junctionLag(const SampleBuffer& sound, int32_t s, int32_t e, double period, double& lag)
{
    const int32_t n = sound.sampleCount;
    const int32_t half = std::max<int32_t>(1, int32_t(std::lround(period / 2.0)));
    // (-P/2, P/2]: a loop exactly half a period off reads as too short, so
    // that m is its length in periods rounded half up.
    const int32_t low = 1 - half, high = half;
    // Two periods either side, cut where the sound ends (loops often end a
    // few frames before it): at least one period in all.
    const int32_t r = int32_t(std::lround(2.0 * period));
    const int32_t kLo = std::max({-r, -(s + 1), -(e + 1 + low)});
    const int32_t kHi = std::min(r, n - 1 - e - high);
    if (kHi - kLo < std::max<int32_t>(4, int32_t(std::lround(period))))
        return false;
    std::vector<double> corr(size_t(high - low + 1));
    for (int32_t t = low; t <= high; ++t) {
        double ab = 0.0, aa = 0.0, bb = 0.0;
        for (int c = 0; c < sound.channels && c < 2; ++c) {
            const int16_t* x = sound.samples[c].data();
            for (int32_t k = kLo; k < kHi; ++k) {
                const double a = x[s + 1 + k], b = x[e + 1 + t + k];
                ab += a * b;
                aa += a * a;
                bb += b * b;
            }
        }
        corr[size_t(t - low)] = aa > 0.0 && bb > 0.0 ? ab / std::sqrt(aa * bb) : 0.0;
    }
    const size_t best = size_t(std::max_element(corr.begin(), corr.end()) - corr.begin());
    if (corr[best] < 0.5)
        return false;
    lag = double(low) + double(best);
    if (best > 0 && best + 1 < corr.size()) {
        const double a = corr[best - 1], b = corr[best], c = corr[best + 1];
        const double curvature = a - 2.0 * b + c;
        if (curvature < 0.0)
            lag += 0.5 * (a - c) / curvature;
    }
    return true;
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

    bool click = false;
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
            click = click || isClick(j, limits);
        }
    }
    out.valid = true;

    if (forward) {
        const int32_t reach = pitched ? std::max<int32_t>(8, int32_t(std::lround(2.0 * period)))
                                      : std::max<int32_t>(8, int32_t(std::lround(0.01 * sound.sampleRate)));
        out.mismatch = forwardMismatch(sound, s, e, reach);
        if (pitched) {
            const int32_t p = std::max<int32_t>(1, int32_t(std::lround(period)));
            if (e - p >= 0)
                out.ownMismatch = forwardMismatch(sound, e - p, e, reach);
            if (s + p < n)
                out.ownMismatch = std::max(out.ownMismatch, forwardMismatch(sound, s, s + p, reach));
        }
        click = click || (out.mismatch > limits.mismatch && out.mismatch > limits.mismatchOverOwn * out.ownMismatch);
    }

    if (pitched && forward) {
        const double length = e - s;
        const double measured = meanLoopPeriod(sound, s, e, period);
        // The whole periods the loop holds span the loop length plus the lag
        // at which the waves after its two ends line up: measured there, at
        // the junction, the figure does not hang on a period known to a
        // fraction of a per mille, nor on its octave.
        double lag = 0.0;
        if (junctionLag(sound, s, e, measured, lag)) {
            const double whole = std::max(1.0, std::round((length + lag) / measured));
            out.periods = whole * length / (length + lag);
        } else {
            out.periods = length / measured;
        }
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
