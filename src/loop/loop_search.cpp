#include "loop/loop_search.h"

#include "loop/solution_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

// Scores must come out bit for bit as a plain term-by-term sum gives them, so
// nothing here may fuse a multiply into an add (GCC fuses only for targets
// with FMA, which this build does not select).
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

namespace {

constexpr double kForwardFirstBest = 1000000.0;
constexpr double kAlternateFirstBest = 1000000000.0;
// The square of the 1/32768 sample scale, folded into the weights. A power of
// two, so w[k] * (d / 32768)^2 and (w[k] * 2^-30) * d^2 round to the same
// double for every integer difference d.
constexpr double kScaleSquared = 1.0 / 1073741824.0;
constexpr double kInfinity = std::numeric_limits<double>::infinity();

const char* const kNoSelection = "There must be a selected region!";
const char* const kContradictory = "Contradictory parameters!";
const char* const kNoPitch = "The pitch of the sound is unknown: a loop cannot be searched.";

bool risingAt(const int16_t* s0, int64_t i)
{
    return s0[i] < 0 && s0[i + 1] >= 0;
}

// trunc(percent * 0.01 * span + 0.5), span in samples.
int64_t percentLength(int percent, int64_t span)
{
    return static_cast<int64_t>(percent * 0.01 * static_cast<double>(span) + 0.5);
}

// trunc(rate / f0 + 0.5), kept below the sound's length + 2 so that the window
// arithmetic cannot overflow (a period longer than the sound finds nothing).
int64_t periodOf(const SampleBuffer& sound)
{
    double q = sound.sampleRate / sound.pitchHz + 0.5;
    const double cap = static_cast<double>(sound.sampleCount) + 1.0;
    if (q > cap)
        q = cap;
    return static_cast<int64_t>(q);
}

// w[k] * 2^-30 for k = 0..W-1, w[k] = 0.5^(sqrt(k) / sqrt(W)).
std::vector<double> scaledWeights(int64_t size)
{
    std::vector<double> w(static_cast<size_t>(size > 0 ? size : 0));
    const double rootSize = std::sqrt(static_cast<double>(size));
    for (int64_t k = 0; k < size; ++k)
        w[static_cast<size_t>(k)] = std::exp(std::log(0.5) * std::sqrt(static_cast<double>(k)) / rootSize) * kScaleSquared;
    return w;
}

// First channel plus second channel, as integers: for stereo the two channels'
// differences (or sums) are added before squaring, and the integer sum of the
// samples gives exactly that value.
int32_t combined(const SampleBuffer& sound, int64_t i)
{
    int32_t value = sound.samples[0][static_cast<size_t>(i)];
    if (sound.channels == 2)
        value += sound.samples[1][static_cast<size_t>(i)];
    return value;
}

// Progress reports thinned to about a thousand per run.
class ProgressReporter {
public:
    ProgressReporter(const LoopSearchCallbacks& callbacks, int64_t range)
        : callbacks_(callbacks), range_(static_cast<int32_t>(std::max<int64_t>(0, range))),
          step_(std::max<int64_t>(1, range / 1000))
    {
        if (callbacks_.progress)
            callbacks_.progress(0, range_);
    }
    void report(int64_t position)
    {
        position = std::min<int64_t>(position, range_);
        if (!callbacks_.progress || position < last_ + step_)
            return;
        last_ = position;
        callbacks_.progress(static_cast<int32_t>(position), range_);
    }

private:
    const LoopSearchCallbacks& callbacks_;
    int32_t range_;
    int64_t step_;
    int64_t last_ = 0;
};

// The improvement history of one run: the best score and the table updates.
class History {
public:
    History(SolutionTable& table, const LoopSearchCallbacks& callbacks, double firstBest)
        : table_(table), callbacks_(callbacks), best_(firstBest)
    {
    }
    double best() const { return best_; }
    int count() const { return count_; }
    // Records (a, b) when score is strictly below the best so far.
    void offer(int64_t a, int64_t b, double score)
    {
        if (!(score < best_))
            return;
        best_ = score;
        ++count_;
        pushSolution(table_, static_cast<int32_t>(a), static_cast<int32_t>(b));
        if (callbacks_.improvement) {
            LoopImprovement event;
            event.loopStart = static_cast<int32_t>(a);
            event.loopEnd = static_cast<int32_t>(b);
            event.score = score;
            event.solutionCount = std::min(count_, int(SolutionTable::kSolutions));
            callbacks_.improvement(event);
        }
    }

private:
    SolutionTable& table_;
    const LoopSearchCallbacks& callbacks_;
    double best_;
    int count_ = 0;
};

int threadsFor(const LoopSearchRequest& request)
{
    int n = request.threadCount;
    if (n <= 0)
        n = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(n, 1, 16);
}

// Runs work(false) on up to helpers extra threads and work(true) on this one,
// then joins them. A thread that cannot be started leaves its share to the rest.
template <typename Work>
void runShared(int threads, Work work)
{
    std::vector<std::thread> helpers;
    for (int i = 1; i < threads; ++i) {
        try {
            helpers.emplace_back([&work] { work(false); });
        } catch (const std::system_error&) {
            break;
        }
    }
    work(true);
    for (std::thread& t : helpers)
        t.join();
}

// ---- forward loop ----------------------------------------------------------

using Lane2 = double __attribute__((vector_size(16)));
constexpr int kLanes = 8;     // candidate ends scored side by side
constexpr int kCheckEvery = 32; // terms between two checks against the bound
constexpr int64_t kFirstStage = 16; // terms of the first pruning stage

Lane2 pairOf(const double* a, const double* b, int64_t k)
{
    Lane2 v = {a[k], b[k]};
    return v;
}

// Adds terms k0..k1-1 of kLanes sums against one start:
// acc[j] += w[k] * (e_j[k] - v[k])^2, each lane summed in increasing k exactly
// as a scalar loop would. Returns false as soon as every lane has reached
// `bound` (the sums only grow, so none of them can end below it).
bool addTerms(const double* start, const double* const ends[kLanes], const double* weights, int64_t k0,
              int64_t k1, double bound, double acc[kLanes])
{
    Lane2 s0 = {acc[0], acc[1]}, s1 = {acc[2], acc[3]}, s2 = {acc[4], acc[5]}, s3 = {acc[6], acc[7]};
    const Lane2 bb = {bound, bound};
    for (int64_t c0 = k0; c0 < k1; c0 += kCheckEvery) {
        const int64_t c1 = std::min(k1, c0 + kCheckEvery);
        for (int64_t k = c0; k < c1; ++k) {
            const double v = start[k];
            const double w = weights[k];
            const Lane2 vv = {v, v};
            const Lane2 ww = {w, w};
            const Lane2 d0 = pairOf(ends[0], ends[1], k) - vv;
            const Lane2 d1 = pairOf(ends[2], ends[3], k) - vv;
            const Lane2 d2 = pairOf(ends[4], ends[5], k) - vv;
            const Lane2 d3 = pairOf(ends[6], ends[7], k) - vv;
            s0 += ww * (d0 * d0);
            s1 += ww * (d1 * d1);
            s2 += ww * (d2 * d2);
            s3 += ww * (d3 * d3);
        }
        const auto alive = (s0 < bb) | (s1 < bb) | (s2 < bb) | (s3 < bb);
        if (!(alive[0] | alive[1]))
            return false;
    }
    acc[0] = s0[0], acc[1] = s0[1], acc[2] = s1[0], acc[3] = s1[1];
    acc[4] = s2[0], acc[5] = s2[1], acc[6] = s3[0], acc[7] = s3[1];
    return true;
}

// An end still in the running for one start, with its partial sum.
struct Candidate {
    int64_t e;
    const double* data;
    double acc;
};

struct ForwardStart {
    int64_t v = 0;
    int64_t index = 0;        // of v in the crossing list
    int64_t firstEnd = 0;     // index into the crossing list
    int64_t lastEnd = -1;     // inclusive; below firstEnd when no end fits
    int64_t progressAfter = 0; // the progress position once this start is done
};

struct EndScore {
    int64_t e;
    double score;
};

// One start's results: the ends that beat the running bound, in order. Every
// pair the sequential search records is among them (its bound never exceeds
// the sequential best), and the merge keeps exactly those.
struct StartResult {
    std::vector<EndScore> records;
    std::atomic<double> best{kInfinity};
    std::atomic<bool> done{false};
};

class ForwardSearch {
public:
    ForwardSearch(const SampleBuffer& sound, const LoopSearchRequest& request, const std::atomic<bool>& stop,
                  History& history, LoopSearchResult& result)
        : sound_(sound), request_(request), stop_(stop), history_(history), result_(result)
    {
    }

    // False when the stop flag ended the run.
    bool run(const LoopSearchCallbacks& callbacks)
    {
        const int64_t n = sound_.sampleCount;
        const int16_t* s0 = sound_.samples[0].data();
        const int64_t p = periodOf(sound_);
        const int64_t w = 4 * p;
        const int64_t delta = std::max<int64_t>(1, static_cast<int64_t>(0.9 * p));
        const int64_t s = std::max<int32_t>(0, request_.selectionStart);
        int64_t e;
        if (s >= w) {
            e = std::min<int64_t>(request_.selectionEnd, n - 1);
            direction_ = 1;
        } else {
            // Not four periods of sound before the start: look forward, and
            // keep the window end from falling before its start on a short sound.
            e = std::max(s, std::min<int64_t>(request_.selectionEnd, n - w - 1));
            direction_ = -1;
        }
        const int64_t maxLength = percentLength(request_.maxPercent, e - s);
        const int64_t minLength = std::max<int64_t>({p, percentLength(request_.minPercent, e - s), 1});
        const int64_t lastStart = e - minLength;
        result_.period = static_cast<int32_t>(p);
        result_.windowStart = static_cast<int32_t>(s);
        result_.windowEnd = static_cast<int32_t>(e);
        result_.minLength = static_cast<int32_t>(minLength);
        result_.maxLength = static_cast<int32_t>(maxLength);
        result_.looksForward = direction_ < 0;

        ProgressReporter progress(callbacks, lastStart - s);

        // The starts, stepping about one period, and every crossing that can end a loop.
        std::vector<int64_t> ends;
        for (int64_t i = s; i < e; ++i)
            if (risingAt(s0, i))
                ends.push_back(i);
        int64_t v = s;
        while (v < lastStart && !risingAt(s0, v))
            ++v;
        while (v < lastStart) {
            ForwardStart start;
            start.v = v;
            if (v + minLength < e) {
                const int64_t lastE = std::min(v + maxLength, e - 1);
                start.firstEnd = std::lower_bound(ends.begin(), ends.end(), v + minLength) - ends.begin();
                start.lastEnd = (std::upper_bound(ends.begin(), ends.end(), lastE) - ends.begin()) - 1;
            }
            v += delta;
            while (v < lastStart && !risingAt(s0, v))
                ++v;
            start.progressAfter = v - s;
            starts_.push_back(start);
        }
        if (starts_.empty())
            return !stop_.load(std::memory_order_relaxed);

        // The combined samples laid out so that both directions read forward:
        // sample p - d k sits at layout[offset(p) + k].
        size_ = w;
        if (direction_ > 0) {
            origin_ = e - 1;
            const int64_t first = s - w + 1;
            layout_.resize(static_cast<size_t>(origin_ - first + 1));
            for (int64_t i = first; i <= origin_; ++i)
                layout_[static_cast<size_t>(origin_ - i)] = combined(sound_, i);
        } else {
            origin_ = s;
            const int64_t last = e + w - 2;
            layout_.resize(static_cast<size_t>(last - origin_ + 1));
            for (int64_t i = origin_; i <= last; ++i)
                layout_[static_cast<size_t>(i - origin_)] = combined(sound_, i);
        }
        weights_ = scaledWeights(w);
        ends_ = std::move(ends);
        for (ForwardStart& start : starts_)
            start.index = std::lower_bound(ends_.begin(), ends_.end(), start.v) - ends_.begin();
        results_ = std::make_unique<StartResult[]>(starts_.size());
        mergedBest_.store(history_.best());
        const double slack = static_cast<double>(w + 16) * std::ldexp(1.0, -49);
        normSlack_ = slack < 1e-3 ? slack : kInfinity; // beyond that the bound is worthless
        sumSlack_ = 1.0 - slack;

        const int threads = threadsFor(request_);
        if (!computeNorms(threads))
            return false;
        const int64_t count = static_cast<int64_t>(starts_.size());
        runShared(std::min<int64_t>(threads, count), [&](bool merging) {
            std::vector<Candidate> live;
            for (;;) {
                if (stop_.load(std::memory_order_relaxed)) {
                    sawStop_.store(true);
                    return;
                }
                const int64_t t = next_.fetch_add(1);
                if (t >= count)
                    return;
                if (!scoreStart(t, live)) {
                    sawStop_.store(true);
                    return;
                }
                if (merging)
                    merge(progress);
            }
        });
        if (sawStop_.load())
            return false;
        merge(progress);
        return true;
    }

private:
    int64_t offset(int64_t position) const
    {
        return direction_ > 0 ? origin_ - position : position - origin_;
    }

    // The lowest score known among the pairs that come before start t: the
    // merged best and the running bests of the starts between.
    double boundBefore(int64_t t) const
    {
        double bound = mergedBest_.load(std::memory_order_acquire);
        for (int64_t u = mergedUpTo_.load(std::memory_order_acquire); u < t; ++u)
            bound = std::min(bound, results_[u].best.load(std::memory_order_relaxed));
        return bound;
    }

    // True when the pair cannot score below `bound`, from the weighted norms
    // alone: D(v, e) = |a - b|^2 >= (|a| - |b|)^2 in the norm sqrt(sum w a^2).
    // The slack covers every rounding of the norms, of this test and of the
    // term-by-term sum (a float sum of n non-negative terms is at least
    // (1 - (n + 1) u) times the exact one).
    bool cannotBeat(double startNorm, double endNorm, double bound) const
    {
        const double gap = std::fabs(startNorm - endNorm) - normSlack_ * (startNorm + endNorm);
        return gap > 0 && gap * gap * sumSlack_ >= bound;
    }

    // Scores the ends of start t. The ends that the norms cannot rule out
    // are summed in stages of doubling length, 8 side by side; after each
    // stage the sums already past the bound drop out and the rest close up, so
    // a good end does not keep hopeless neighbours running. The last stage
    // runs in order of e, each group against the lowest bound then known.
    bool scoreStart(int64_t t, std::vector<Candidate>& live)
    {
        const ForwardStart& start = starts_[static_cast<size_t>(t)];
        StartResult& out = results_[t];
        const double* data = layout_.data();
        const double* startData = data + offset(start.v);
        const double startNorm = norms_[static_cast<size_t>(start.index)];
        double bound = boundBefore(t);
        live.clear();
        for (int64_t g = start.firstEnd; g <= start.lastEnd; ++g) {
            if (!cannotBeat(startNorm, norms_[static_cast<size_t>(g)], bound)) {
                const int64_t e = ends_[static_cast<size_t>(g)];
                live.push_back({e, data + offset(e), 0.0});
            }
        }

        const double* lanes[kLanes];
        double acc[kLanes];
        int64_t k0 = 0;
        for (int64_t stage = kFirstStage; k0 + stage < size_ && !live.empty(); k0 += stage, stage *= 2) {
            bound = boundBefore(t);
            size_t kept = 0;
            for (size_t g = 0; g < live.size(); g += kLanes) {
                if (stop_.load(std::memory_order_relaxed))
                    return false;
                const size_t used = std::min<size_t>(kLanes, live.size() - g);
                for (size_t j = 0; j < kLanes; ++j) {
                    const Candidate& c = live[g + std::min(j, used - 1)];
                    lanes[j] = c.data;
                    acc[j] = c.acc;
                }
                if (!addTerms(startData, lanes, weights_.data(), k0, k0 + stage, bound, acc))
                    continue;
                for (size_t j = 0; j < used; ++j) {
                    if (acc[j] < bound) {
                        live[kept] = live[g + j];
                        live[kept++].acc = acc[j];
                    }
                }
            }
            live.resize(kept);
        }

        double local = kInfinity;
        for (size_t g = 0; g < live.size(); g += kLanes) {
            if (stop_.load(std::memory_order_relaxed))
                return false;
            bound = std::min(local, boundBefore(t));
            const size_t used = std::min<size_t>(kLanes, live.size() - g);
            for (size_t j = 0; j < kLanes; ++j) {
                const Candidate& c = live[g + std::min(j, used - 1)];
                lanes[j] = c.data;
                acc[j] = c.acc;
            }
            if (!addTerms(startData, lanes, weights_.data(), k0, size_, bound, acc))
                continue;
            for (size_t j = 0; j < used; ++j) {
                if (acc[j] < bound) {
                    bound = local = acc[j];
                    out.records.push_back({live[g + j].e, acc[j]});
                    out.best.store(local, std::memory_order_relaxed);
                }
            }
        }
        out.done.store(true, std::memory_order_release);
        return true;
    }

    // The weighted norm of the window behind (or ahead of) every crossing.
    bool computeNorms(int threads)
    {
        const int64_t count = static_cast<int64_t>(ends_.size());
        norms_.assign(static_cast<size_t>(count), 0.0);
        constexpr int64_t kChunk = 256;
        std::atomic<int64_t> nextChunk{0};
        std::atomic<bool> stopped{false};
        runShared(threads, [&](bool) {
            for (;;) {
                if (stop_.load(std::memory_order_relaxed)) {
                    stopped.store(true);
                    return;
                }
                const int64_t c0 = nextChunk.fetch_add(kChunk);
                if (c0 >= count)
                    return;
                for (int64_t c = c0; c < std::min(count, c0 + kChunk); ++c) {
                    const double* x = layout_.data() + offset(ends_[static_cast<size_t>(c)]);
                    double sum = 0.0;
                    for (int64_t k = 0; k < size_; ++k)
                        sum += weights_[static_cast<size_t>(k)] * (x[k] * x[k]);
                    norms_[static_cast<size_t>(c)] = std::sqrt(sum);
                }
            }
        });
        return !stopped.load();
    }

    // Replays finished starts in order through the history.
    void merge(ProgressReporter& progress)
    {
        const int64_t count = static_cast<int64_t>(starts_.size());
        int64_t t = mergedUpTo_.load(std::memory_order_relaxed);
        while (t < count && results_[t].done.load(std::memory_order_acquire)) {
            for (const EndScore& r : results_[t].records)
                history_.offer(starts_[static_cast<size_t>(t)].v, r.e, r.score);
            progress.report(starts_[static_cast<size_t>(t)].progressAfter);
            ++t;
            mergedBest_.store(history_.best(), std::memory_order_release);
            mergedUpTo_.store(t, std::memory_order_release);
        }
    }

    const SampleBuffer& sound_;
    const LoopSearchRequest& request_;
    const std::atomic<bool>& stop_;
    History& history_;
    LoopSearchResult& result_;

    int direction_ = 1;
    int64_t origin_ = 0;
    int64_t size_ = 0;
    std::vector<double> layout_;
    std::vector<double> weights_;
    std::vector<int64_t> ends_;
    std::vector<double> norms_; // per crossing of ends_
    double normSlack_ = 0.0;
    double sumSlack_ = 1.0;
    std::vector<ForwardStart> starts_;
    std::unique_ptr<StartResult[]> results_;
    std::atomic<int64_t> next_{0};
    std::atomic<int64_t> mergedUpTo_{0};
    std::atomic<double> mergedBest_{kForwardFirstBest};
    std::atomic<bool> sawStop_{false};
};

// ---- alternate loop --------------------------------------------------------

constexpr int64_t kBlock = 64; // candidates per block minimum in the pairing

bool searchAlternate(const SampleBuffer& sound, const LoopSearchRequest& request, const std::atomic<bool>& stop,
                     const LoopSearchCallbacks& callbacks, History& history, LoopSearchResult& result)
{
    const int64_t n = sound.sampleCount;
    const int16_t* s0 = sound.samples[0].data();
    const int64_t p = periodOf(sound);
    const int64_t h = p / 2;
    // At least one sample of room at the end: the crossing test reads s0[i + 1].
    const int64_t e = std::min<int64_t>(request.selectionEnd, n - std::max<int64_t>(h, 1));
    const int64_t s = std::max<int64_t>(std::max<int32_t>(0, request.selectionStart), h);
    const int64_t maxLength = percentLength(request.maxPercent, e - s);
    const int64_t minLength = percentLength(request.minPercent, e - s);
    result.period = static_cast<int32_t>(p);
    result.windowStart = static_cast<int32_t>(s);
    result.windowEnd = static_cast<int32_t>(e);
    result.minLength = static_cast<int32_t>(minLength);
    result.maxLength = static_cast<int32_t>(maxLength);

    // Candidates: where each scan for the next crossing stops (the window end
    // counts whenever a scan runs into it).
    std::vector<int64_t> pos;
    for (int64_t i = s; i < e; ++i) {
        while (i < e && !risingAt(s0, i))
            ++i;
        if ((s <= i && i <= e - minLength) || (s + minLength <= i && i <= e))
            pos.push_back(i);
    }
    const int64_t count = static_cast<int64_t>(pos.size());
    ProgressReporter progress(callbacks, count);

    // Energies: small where the wave is odd-symmetric around the candidate.
    const std::vector<double> w = scaledWeights(h);
    std::vector<int32_t> y;
    const int64_t first = s - h;
    if (count > 0 && h > 1) {
        y.resize(static_cast<size_t>(e + h - first));
        for (int64_t i = first; i < e + h; ++i)
            y[static_cast<size_t>(i - first)] = combined(sound, i);
    }
    std::vector<double> energy(static_cast<size_t>(count));
    for (int64_t c = 0; c < count; ++c) {
        if (stop.load(std::memory_order_relaxed))
            return false;
        double sum = 0.0;
        if (h > 1) {
            const int32_t* centre = y.data() + (pos[static_cast<size_t>(c)] - first);
            for (int64_t k = 1; k < h; ++k) {
                const double d = centre[-k] + centre[k];
                sum += w[static_cast<size_t>(k)] * (d * d);
            }
        }
        energy[static_cast<size_t>(c)] = sum;
        progress.report(c);
    }

    // Pairing in order of (i, j). The ends allowed for row i form a window
    // [lo, hi] that only moves right, so its minimum energy is kept in a
    // monotone queue; since rounding is monotone, energy[i] + min >= best
    // rules out the whole row. Rows that pass are scanned with block minima.
    std::vector<double> blockMin(static_cast<size_t>((count + kBlock - 1) / kBlock), kInfinity);
    for (int64_t j = 0; j < count; ++j)
        blockMin[static_cast<size_t>(j / kBlock)] = std::min(blockMin[static_cast<size_t>(j / kBlock)], energy[static_cast<size_t>(j)]);
    std::deque<int64_t> window;
    int64_t lo = 0;
    int64_t hi = -1;
    for (int64_t i = 0; i + 1 < count; ++i) {
        if (stop.load(std::memory_order_relaxed))
            return false;
        const int64_t pi = pos[static_cast<size_t>(i)];
        const double ei = energy[static_cast<size_t>(i)];
        while (hi + 1 < count && pos[static_cast<size_t>(hi + 1)] - pi <= maxLength) {
            ++hi;
            while (!window.empty() && energy[static_cast<size_t>(window.back())] >= energy[static_cast<size_t>(hi)])
                window.pop_back();
            window.push_back(hi);
        }
        lo = std::max(lo, i + 1);
        while (lo < count && pos[static_cast<size_t>(lo)] - pi < minLength)
            ++lo;
        while (!window.empty() && window.front() < lo)
            window.pop_front();
        if (lo > hi || window.empty() || !(ei + energy[static_cast<size_t>(window.front())] < history.best()))
            continue;
        for (int64_t j = lo; j <= hi;) {
            if (j % kBlock == 0 && j + kBlock - 1 <= hi && !(ei + blockMin[static_cast<size_t>(j / kBlock)] < history.best())) {
                j += kBlock;
                continue;
            }
            history.offer(pi, pos[static_cast<size_t>(j)], ei + energy[static_cast<size_t>(j)]);
            ++j;
        }
    }
    return true;
}

} // namespace

std::optional<UserMessage> checkLoopSearchRequest(const SampleBuffer& sound, const LoopSearchRequest& request)
{
    const bool loaded = sound.isLoaded() && sound.sampleRate > 0 &&
                        sound.samples[0].size() >= static_cast<size_t>(sound.sampleCount) &&
                        (sound.channels != 2 || sound.samples[1].size() >= static_cast<size_t>(sound.sampleCount));
    if (!loaded || request.selectionStart == request.selectionEnd)
        return UserMessage{kNoSelection};
    if (request.maxPercent < request.minPercent)
        return UserMessage{kContradictory};
    if (!(sound.pitchHz > 0.0) || !std::isfinite(sound.pitchHz))
        return UserMessage{kNoPitch};
    return std::nullopt;
}

LoopSearchResult runLoopSearch(const SampleBuffer& sound, const LoopSearchRequest& request, SolutionTable& table,
                               const std::atomic<bool>& stop, const LoopSearchCallbacks& callbacks)
{
    LoopSearchResult result;
    if (std::optional<UserMessage> refusal = checkLoopSearchRequest(sound, request)) {
        result.message = *refusal;
        return result;
    }

    const SolutionTable before = table;
    for (int i = 0; i < SolutionTable::kSolutions; ++i)
        table.loopStart[i] = table.loopEnd[i] = -1;

    bool finished;
    const bool forward = request.loopType == LoopType::Forward;
    History history(table, callbacks, forward ? kForwardFirstBest : kAlternateFirstBest);
    if (forward) {
        ForwardSearch search(sound, request, stop, history, result);
        finished = search.run(callbacks);
    } else {
        finished = searchAlternate(sound, request, stop, callbacks, history, result);
    }
    // As the window sees it: a flag raised before the end stops the run even
    // when no check met it (a search with nothing to score).
    finished = finished && !stop.load();

    if (finished) {
        result.outcome = LoopSearchOutcome::Completed;
        result.improvementCount = history.count();
        result.solutionCount = std::min(history.count(), int(SolutionTable::kSolutions));
        if (history.count() > 0)
            result.bestScore = history.best();
    } else {
        result.outcome = LoopSearchOutcome::Stopped;
        std::memcpy(table.loopStart, before.loopStart, sizeof table.loopStart);
        std::memcpy(table.loopEnd, before.loopEnd, sizeof table.loopEnd);
        result.solutionCount = table.firstEmptySlot();
    }
    table.currentSolution = 0;
    return result;
}
