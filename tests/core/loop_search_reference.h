#pragma once
// A deliberately plain loop search, written step by step from the description
// of the two searches: one thread, no layout tricks, the bound checked before
// every term. The tests and the benchmark hold the engine to it. Only the
// mended points differ from the letter of the description, each marked
// "mended" below; they change nothing for ordinary input.

#include "document/SampleBuffer.h"
#include "loop/loop_search.h"
#include "loop/solution_table.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <vector>

namespace reference {

struct Improvement {
    int32_t start;
    int32_t end;
    double score;
};

struct Run {
    bool stopped = false;
    std::vector<Improvement> improvements;
};

inline bool rising(const SampleBuffer& snd, int64_t i)
{
    return snd.samples[0][i] < 0 && snd.samples[0][i + 1] >= 0;
}

inline double x(const SampleBuffer& snd, int channel, int64_t i)
{
    return snd.samples[channel][i] / 32768.0;
}

inline double weight(int64_t k, int64_t size)
{
    return std::exp(std::log(0.5) * std::sqrt((double)k) / std::sqrt((double)size));
}

inline void record(SolutionTable& table, Run& run, double& best, int64_t a, int64_t b, double score)
{
    best = score;
    for (int i = 9; i >= 1; --i) {
        table.loopStart[i] = table.loopStart[i - 1];
        table.loopEnd[i] = table.loopEnd[i - 1];
    }
    table.loopStart[0] = (int32_t)a;
    table.loopEnd[0] = (int32_t)b;
    run.improvements.push_back({(int32_t)a, (int32_t)b, score});
}

inline int64_t period(const SampleBuffer& snd)
{
    double q = snd.sampleRate / snd.pitchHz + 0.5;
    if (q > snd.sampleCount + 1.0) // mended: no overflow for an absurdly low pitch
        q = snd.sampleCount + 1.0;
    return (int64_t)q;
}

inline void forward(const SampleBuffer& snd, const LoopSearchRequest& req, SolutionTable& table,
                    const std::atomic<bool>& stop, Run& run)
{
    const int64_t N = snd.sampleCount;
    const int64_t P = period(snd);
    const int64_t W = 4 * P;
    int64_t delta = (int64_t)(0.9 * P);
    if (delta < 1) // mended: a period of one sample must still advance
        delta = 1;
    int64_t S = req.selectionStart < 0 ? 0 : req.selectionStart; // mended: no negative index
    int64_t E, d;
    if (S >= W) {
        E = req.selectionEnd < N - 1 ? req.selectionEnd : N - 1;
        d = +1;
    } else {
        E = req.selectionEnd < N - W - 1 ? req.selectionEnd : N - W - 1;
        if (E < S) // mended: the window end never goes below its start
            E = S;
        d = -1;
    }
    const int64_t Lmax = (int64_t)(req.maxPercent * 0.01 * (double)(E - S) + 0.5);
    int64_t Lmin = (int64_t)(req.minPercent * 0.01 * (double)(E - S) + 0.5);
    if (Lmin < P)
        Lmin = P;
    if (Lmin < 1) // mended: no empty loop when the period rounds to 0
        Lmin = 1;
    const int64_t Slast = E - Lmin;

    std::vector<double> w(W > 0 ? W : 0);
    for (int64_t k = 0; k < W; ++k)
        w[k] = weight(k, W);
    double best = 1000000.0;

    int64_t v = S;
    while (v < Slast && !rising(snd, v))
        v++;
    if (v >= Slast)
        return;
    for (;;) {
        if (stop.load()) {
            run.stopped = true;
            return;
        }
        if (v + Lmin < E) {
            const int64_t emax = v + Lmax;
            for (int64_t e = v + Lmin; e <= emax && e < E; ++e) {
                if (!rising(snd, e))
                    continue;
                double D = 0;
                bool dropped = false;
                for (int64_t k = 0; k < W; ++k) {
                    if (D >= best) {
                        dropped = true;
                        break;
                    }
                    if (stop.load()) {
                        // mended: a sum cut short by a stop is never recorded
                        run.stopped = true;
                        return;
                    }
                    double diff = x(snd, 0, e - d * k) - x(snd, 0, v - d * k);
                    if (snd.channels == 2)
                        diff += x(snd, 1, e - d * k) - x(snd, 1, v - d * k);
                    D += w[k] * (diff * diff);
                }
                if (!dropped && D < best)
                    record(table, run, best, v, e, D);
            }
        }
        v = v + delta;
        while (v < Slast && !rising(snd, v))
            v++;
        if (v >= Slast)
            return;
    }
}

inline void alternate(const SampleBuffer& snd, const LoopSearchRequest& req, SolutionTable& table,
                      const std::atomic<bool>& stop, Run& run)
{
    const int64_t N = snd.sampleCount;
    const int64_t P = period(snd);
    const int64_t H = P / 2;
    const int64_t room = H < 1 ? 1 : H; // mended: the crossing test reads one sample ahead
    const int64_t E = req.selectionEnd < N - room ? req.selectionEnd : N - room;
    int64_t S = req.selectionStart > H ? req.selectionStart : H;
    if (S < 0) // mended: no negative index
        S = 0;
    const int64_t Lmax = (int64_t)(req.maxPercent * 0.01 * (double)(E - S) + 0.5);
    const int64_t Lmin = (int64_t)(req.minPercent * 0.01 * (double)(E - S) + 0.5);
    double best = 1000000000.0;
    std::vector<double> w(H);
    for (int64_t k = 0; k < H; ++k)
        w[k] = weight(k, H);

    // First pass: count.
    int64_t C = 0;
    for (int64_t i = S; i < E; i = i + 1) {
        while (i < E && !rising(snd, i))
            i++;
        if ((S <= i && i <= E - Lmin) || (S + Lmin <= i && i <= E))
            C++;
    }
    std::vector<int64_t> pos(C);
    std::vector<double> energy(C);

    // Second pass: positions and energies.
    int64_t stored = 0;
    for (int64_t i = S; i < E && stored < C; i = i + 1) {
        if (stop.load()) {
            run.stopped = true;
            return;
        }
        while (i < E && !rising(snd, i))
            i++;
        if ((S <= i && i <= E - Lmin) || (S + Lmin <= i && i <= E)) {
            double A = 0;
            for (int64_t k = 1; k <= H - 1; ++k) {
                double sum = x(snd, 0, i - k) + x(snd, 0, i + k);
                if (snd.channels == 2)
                    sum += x(snd, 1, i - k) + x(snd, 1, i + k);
                A += w[k] * (sum * sum);
            }
            pos[stored] = i;
            energy[stored] = A;
            stored++;
        }
    }

    // Pairing.
    for (int64_t i = 0; i <= C - 2; ++i) {
        if (stop.load()) {
            run.stopped = true;
            return;
        }
        for (int64_t j = i + 1; j <= C - 1; ++j) {
            const int64_t L = pos[j] - pos[i];
            if (Lmin <= L && L <= Lmax && energy[i] + energy[j] < best)
                record(table, run, best, pos[i], pos[j], energy[i] + energy[j]);
        }
    }
}

// One run with the table bookkeeping around it (start: slots 0..9 cleared;
// stopped: the slots put back; either way the first entry selected).
inline Run search(const SampleBuffer& snd, const LoopSearchRequest& req, SolutionTable& table,
                  const std::atomic<bool>& stop)
{
    Run run;
    const SolutionTable before = table;
    for (int i = 0; i < 10; ++i)
        table.loopStart[i] = table.loopEnd[i] = -1;
    if (req.loopType == LoopType::Forward)
        forward(snd, req, table, stop, run);
    else
        alternate(snd, req, table, stop, run);
    if (stop.load())
        run.stopped = true;
    if (run.stopped) {
        for (int i = 0; i < 11; ++i) {
            table.loopStart[i] = before.loopStart[i];
            table.loopEnd[i] = before.loopEnd[i];
        }
    }
    table.currentSolution = 0;
    return run;
}

} // namespace reference
