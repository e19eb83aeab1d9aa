#include "loop/auto_loop.h"

#include "loop/loop_check.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr int kStarts = 128;        // coarse starts spread over the sustain
constexpr int kRefined = 3;         // best coarse pairs placed finely
constexpr int kBands = 4;           // length bands, each four times the last
constexpr int32_t kEndSlack = 2;    // frames either side of the fine end
constexpr int kMaxLoops = SolutionTable::kSolutions;
constexpr double kAudibleShare = 0.01; // a channel counts from 1 % of the loudest one's energy
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr int kStopEvery = 256; // pairs between two looks at the stop flag
constexpr double kMusicalSeconds = 0.1;  // the shortest loop preferred to the best junction
constexpr double kMusicalTolerance = 1.75; // how much worse its junction may be

const char* const kTooShort = "The sustain is too short for a loop.";

// Scores pairs (s, e) of one sound with radius R, channel by channel, in
// 16-bit units (the 1/32768 scale cancels in the ratio). The window energies
// of the positions in `cached` (sorted: the crossings) are worked out once;
// any other position's when asked. Nothing is copied: a long sound costs no
// more memory than its crossings.
class JunctionScorer {
public:
    JunctionScorer(const SampleBuffer& sound, int32_t radius, const std::vector<int32_t>& cached)
        : radius_(radius), channels_(sound.channels == 2 ? 2 : 1), cached_(cached)
    {
        for (int c = 0; c < channels_; ++c) {
            x_[c] = sound.samples[c].data();
            energies_[c].resize(cached.size());
            for (size_t i = 0; i < cached.size(); ++i)
                energies_[c][i] = windowEnergy(c, cached[i]);
        }
    }

    // m(s, e), or infinity as soon as it cannot come below `bound`. The caller
    // keeps s + 1 - R >= 0 and e + R < N.
    double score(int32_t s, int32_t e, double bound) const
    {
        const double es[2] = {energy(0, s), channels_ == 2 ? energy(1, s) : 0.0};
        const double ee[2] = {energy(0, e), channels_ == 2 ? energy(1, e) : 0.0};
        return scoreWith(s, e, es, ee, bound);
    }
    // The same for the crossings cached[i] and cached[j].
    double scoreCached(size_t i, size_t j, double bound) const
    {
        const double es[2] = {energies_[0][i], channels_ == 2 ? energies_[1][i] : 0.0};
        const double ee[2] = {energies_[0][j], channels_ == 2 ? energies_[1][j] : 0.0};
        return scoreWith(cached_[i], cached_[j], es, ee, bound);
    }

private:
    double scoreWith(int32_t s, int32_t e, const double es[2], const double ee[2], double bound) const
    {
        double den[2] = {0.0, 0.0};
        double loudest = 0.0;
        for (int c = 0; c < channels_; ++c) {
            den[c] = 0.5 * (es[c] + ee[c]);
            loudest = std::max(loudest, den[c]);
        }
        // Below one 16-bit step of RMS there is nothing to loop: a gap or a
        // fade-out would otherwise match perfectly.
        if (loudest < 2.0 * radius_)
            return kInfinity;
        const double bound2 = bound * bound;
        double worst = 0.0;
        for (int c = 0; c < channels_; ++c) {
            if (den[c] < kAudibleShare * loudest)
                continue;
            const double limit = bound2 * den[c];
            const int16_t* p = x_[c] + (s + 1 - radius_);
            const int16_t* q = x_[c] + (e + 1 - radius_);
            const int32_t count = 2 * radius_;
            double num = 0.0;
            for (int32_t k0 = 0; k0 < count; k0 += 32) {
                const int32_t k1 = std::min(count, k0 + 32);
                for (int32_t k = k0; k < k1; ++k) {
                    const double d = double(q[k]) - double(p[k]);
                    num += d * d;
                }
                if (num >= limit)
                    return kInfinity;
            }
            worst = std::max(worst, num / den[c]);
        }
        return std::sqrt(worst);
    }

    // The sum of x_c^2 over s + 1 - R .. s + R (exact: integers below 2^53).
    double windowEnergy(int c, int32_t s) const
    {
        const int16_t* p = x_[c] + (s + 1 - radius_);
        double sum = 0.0;
        for (int32_t k = 0; k < 2 * radius_; ++k)
            sum += double(p[k]) * double(p[k]);
        return sum;
    }
    double energy(int c, int32_t s) const
    {
        const auto it = std::lower_bound(cached_.begin(), cached_.end(), s);
        return it != cached_.end() && *it == s ? energies_[c][size_t(it - cached_.begin())] : windowEnergy(c, s);
    }

    int32_t radius_;
    int channels_;
    const int16_t* x_[2] = {nullptr, nullptr};
    const std::vector<int32_t>& cached_;
    std::vector<double> energies_[2];
};

bool risingAt(const int16_t* x, int32_t i)
{
    return x[i] < 0 && x[i + 1] >= 0;
}

class Progress {
public:
    Progress(const AutoLoopCallbacks& callbacks, int32_t range) : callbacks_(callbacks), range_(range)
    {
        if (callbacks_.progress)
            callbacks_.progress(0, range_);
    }
    void report(int32_t position)
    {
        if (callbacks_.progress)
            callbacks_.progress(std::min(position, range_), range_);
    }

private:
    const AutoLoopCallbacks& callbacks_;
    int32_t range_;
};

// Moves to the front the listed loop of at least kMusicalSeconds with the
// lowest mismatch, if that mismatch is within kMusicalTolerance of the first
// loop's and the loop check calls it clean whenever it calls the first one
// clean (see the header). The others keep their order.
void preferMusicalLength(const SampleBuffer& sound, std::vector<AutoLoopCandidate>& loops)
{
    if (loops.empty())
        return;
    const AutoLoopCandidate& best = loops.front();
    const double shortest = kMusicalSeconds * sound.sampleRate;
    if (best.loopEnd - best.loopStart >= shortest)
        return;
    auto clean = [&](const AutoLoopCandidate& c) {
        return checkLoop(sound, c.loopStart, c.loopEnd, true).verdict == LoopVerdict::Clean;
    };
    const bool mustBeClean = clean(best);
    size_t pick = 0;
    for (size_t i = 1; i < loops.size(); ++i) {
        const AutoLoopCandidate& c = loops[i];
        const double limit = pick == 0 ? kMusicalTolerance * best.mismatch : loops[pick].mismatch;
        if (c.loopEnd - c.loopStart >= shortest && c.mismatch <= limit && (pick == 0 || c.mismatch < limit) &&
            (!mustBeClean || clean(c)))
            pick = i;
    }
    std::rotate(loops.begin(), loops.begin() + std::ptrdiff_t(pick), loops.begin() + std::ptrdiff_t(pick) + 1);
}

} // namespace

AutoLoopResult findAutoLoop(const SampleBuffer& sound, const AutoLoopRequest& request, const std::atomic<bool>& stop,
                            const AutoLoopCallbacks& callbacks)
{
    AutoLoopResult result;
    LoopSearchRequest asSearch;
    asSearch.selectionStart = request.from;
    asSearch.selectionEnd = request.to;
    if (const auto refusal = checkLoopSearchRequest(sound, asSearch)) {
        result.message = *refusal;
        return result;
    }

    const int32_t n = sound.sampleCount;
    const double period = sound.sampleRate / sound.pitchHz;
    // Clamped before any conversion: a pitch near 0 Hz gives a period longer than the sound.
    const int32_t radius = int32_t(std::max(32.0, std::min(std::round(2.0 * period), double(n))));
    // Every neighbourhood inside the sound: s + 1 - R >= 0 and e + R <= N - 1.
    const int32_t first = std::max({request.from, radius - 1, int32_t(0)});
    const int32_t last = std::min<int64_t>(request.to, int64_t(n) - 1 - radius);
    const int64_t span = int64_t(last) - first;
    // Four periods: the two neighbourhoods of 2R frames then never overlap.
    const int64_t minLength =
        std::max<int64_t>(2 * int64_t(radius), int64_t(std::min(std::ceil(4.0 * period), double(n) + 1.0)));
    result.period = period;
    result.radius = radius;
    result.minLength = int32_t(std::min<int64_t>(minLength, std::numeric_limits<int32_t>::max()));
    result.maxLength = int32_t(std::max<int64_t>(0, span));
    if (span < minLength || minLength < 1) {
        result.message = UserMessage{kTooShort};
        return result;
    }

    const int16_t* s0 = sound.samples[0].data();
    std::vector<int32_t> crossings;
    for (int32_t i = first; i <= last && i + 1 < n; ++i)
        if (risingAt(s0, i))
            crossings.push_back(i);

    std::vector<int32_t> starts;
    for (int j = 0; j < kStarts; ++j) {
        const int64_t place = first + (span - minLength) * j / kStarts;
        const auto it = std::lower_bound(crossings.begin(), crossings.end(), int32_t(place));
        if (it != crossings.end() && *it + minLength <= last && (starts.empty() || starts.back() != *it))
            starts.push_back(*it);
    }
    if (starts.empty()) {
        result.message = UserMessage{kTooShort};
        return result;
    }

    const JunctionScorer scorer(sound, radius, crossings);
    Progress progress(callbacks, int32_t(starts.size()) + kRefined + kBands);
    int sinceLook = 0;
    auto stopped = [&] {
        if (++sinceLook < kStopEvery)
            return false;
        sinceLook = 0;
        return stop.load(std::memory_order_relaxed);
    };

    // Coarse: each start's best end among the crossings, in each band of
    // lengths (Lmin to 4 Lmin, to 16 Lmin, to 64 Lmin, and beyond).
    std::vector<AutoLoopCandidate> coarse;
    for (size_t j = 0; j < starts.size(); ++j) {
        if (stop.load(std::memory_order_relaxed)) {
            result.outcome = LoopSearchOutcome::Stopped;
            return result;
        }
        const int32_t s = starts[j];
        AutoLoopCandidate best[kBands];
        for (AutoLoopCandidate& b : best)
            b = {s, -1, kInfinity};
        int band = 0;
        int64_t bandEnd = 4 * minLength;
        const size_t startIndex = size_t(std::lower_bound(crossings.begin(), crossings.end(), s) - crossings.begin());
        for (auto it = std::lower_bound(crossings.begin(), crossings.end(), int32_t(s + minLength));
             it != crossings.end(); ++it) {
            if (stopped()) {
                result.outcome = LoopSearchOutcome::Stopped;
                return result;
            }
            while (band + 1 < kBands && *it - s >= bandEnd) {
                ++band;
                bandEnd *= 4;
            }
            const double m = scorer.scoreCached(startIndex, size_t(it - crossings.begin()), best[band].mismatch);
            if (m < best[band].mismatch)
                best[band] = {s, *it, m};
        }
        for (const AutoLoopCandidate& b : best)
            if (b.loopEnd > 0)
                coarse.push_back(b);
        progress.report(int32_t(j + 1));
    }

    auto byMismatch = [](const AutoLoopCandidate& a, const AutoLoopCandidate& b) {
        if (a.mismatch != b.mismatch)
            return a.mismatch < b.mismatch;
        return a.loopStart != b.loopStart ? a.loopStart < b.loopStart : a.loopEnd < b.loopEnd;
    };
    std::sort(coarse.begin(), coarse.end(), byMismatch);
    auto bandOf = [&](const AutoLoopCandidate& c) {
        int band = 0;
        for (int64_t end = 4 * minLength; band + 1 < kBands && c.loopEnd - c.loopStart >= end; end *= 4)
            ++band;
        return band;
    };

    // Fine: the three best pairs and the best of each band. The start moves
    // over the crossings of a period either way, the end with it to the
    // nearest frame.
    std::vector<AutoLoopCandidate> refine(coarse.begin(), coarse.begin() + std::min<size_t>(kRefined, coarse.size()));
    for (int band = 0; band < kBands; ++band) {
        const auto it = std::find_if(coarse.begin(), coarse.end(), [&](const AutoLoopCandidate& c) { return bandOf(c) == band; });
        if (it != coarse.end() && it - coarse.begin() >= kRefined)
            refine.push_back(*it);
    }
    std::vector<AutoLoopCandidate> found = coarse;
    const int32_t reach = std::max<int32_t>(1, int32_t(std::lround(period)));
    for (size_t r = 0; r < refine.size(); ++r) {
        const AutoLoopCandidate c = refine[r];
        AutoLoopCandidate best = c;
        const auto from = std::lower_bound(crossings.begin(), crossings.end(), c.loopStart - reach);
        for (auto it = from; it != crossings.end() && *it <= c.loopStart + reach; ++it) {
            const int32_t v = *it;
            const int32_t centre = c.loopEnd + (v - c.loopStart);
            for (int32_t e = centre - kEndSlack; e <= centre + kEndSlack; ++e) {
                if (e > last || e - v < minLength)
                    continue;
                if (stopped()) {
                    result.outcome = LoopSearchOutcome::Stopped;
                    return result;
                }
                const double m = scorer.score(v, e, best.mismatch);
                if (m < best.mismatch || (m == best.mismatch && byMismatch({v, e, m}, best)))
                    best = {v, e, m};
            }
        }
        found.push_back(best);
        progress.report(int32_t(starts.size() + r + 1));
    }
    if (stop.load(std::memory_order_relaxed)) {
        result.outcome = LoopSearchOutcome::Stopped;
        return result;
    }

    // The best first; then the best of each longer band, so that the list
    // offers longer loops; then the rest, lowest mismatch first.
    std::sort(found.begin(), found.end(), byMismatch);
    found.erase(std::unique(found.begin(), found.end(),
                            [](const AutoLoopCandidate& a, const AutoLoopCandidate& b) {
                                return a.loopStart == b.loopStart && a.loopEnd == b.loopEnd;
                            }),
                found.end());
    std::vector<bool> taken(found.size(), false);
    auto take = [&](size_t i) {
        if (!taken[i] && int(result.loops.size()) < kMaxLoops) {
            taken[i] = true;
            result.loops.push_back(found[i]);
        }
    };
    if (!found.empty()) {
        take(0);
        for (int band = bandOf(found[0]) + 1; band < kBands; ++band)
            for (size_t i = 0; i < found.size(); ++i)
                if (bandOf(found[i]) == band) {
                    take(i);
                    break;
                }
        for (size_t i = 0; i < found.size(); ++i)
            take(i);
    }
    preferMusicalLength(sound, result.loops);
    result.outcome = LoopSearchOutcome::Completed;
    return result;
}

AutoLoopRequest autoLoopRange(const SampleBuffer& sound, const SustainSelection& sustain)
{
    AutoLoopRequest range{sustain.start, sustain.end};
    const int32_t n = sound.sampleCount;
    const int32_t block = std::max(1, sound.sampleRate / 100);
    if (!sound.isLoaded() || n < block)
        return range;
    std::vector<double> level;
    for (int32_t at = 0; at + block <= n; at += block) {
        double sum = 0.0;
        for (int c = 0; c < sound.channels; ++c)
            for (int32_t i = at; i < at + block; ++i)
                sum += double(sound.samples[c][size_t(i)]) * sound.samples[c][size_t(i)];
        level.push_back(sum);
    }
    const double audible = *std::max_element(level.begin(), level.end()) * 1e-4; // 40 dB down
    size_t last = level.size();
    while (last > 0 && level[last - 1] < audible)
        --last;
    const int32_t audibleEnd = last == level.size() ? n : int32_t(last) * block;
    range.to = std::max(range.to, audibleEnd);
    return range;
}

AutoLoopRun autoLoopSound(const SampleBuffer& sound, const std::atomic<bool>& stop, const AutoLoopCallbacks& callbacks)
{
    AutoLoopRun run;
    run.sustain = findSustain(sound);
    run.range = autoLoopRange(sound, run.sustain);
    run.result = findAutoLoop(sound, run.range, stop, callbacks);
    return run;
}

void storeAutoLoops(const AutoLoopResult& result, SolutionTable& table)
{
    for (int i = 0; i < SolutionTable::kSolutions; ++i) {
        const bool has = i < int(result.loops.size());
        table.loopStart[i] = has ? result.loops[size_t(i)].loopStart : -1;
        table.loopEnd[i] = has ? result.loops[size_t(i)].loopEnd : -1;
    }
    table.currentSolution = 0;
}
