#pragma once
// The loop search: finds pairs of rising zero crossings inside the selection
// that make a good sustain loop, and keeps the successive improvements of one
// score as the solutions list (loop/solution_table.h). No toolkit: the caller
// runs it on a worker thread and turns the callbacks into window updates.
//
// Conventions shared by both loop types
// - Positions are frame indices (one frame = one sample per channel).
// - A rising zero crossing is a position i with s0[i] < 0 and s0[i+1] >= 0,
//   tested on the first channel only, also for stereo sounds. Loop points are
//   such positions (the last negative sample before the rise); a found loop
//   (a, b) covers samples a + 1 .. b, as every loop slot does.
// - Period P = trunc(sampleRate / pitchHz + 0.5) samples.
// - Weights of a table of size W: w[k] = exp(ln 0.5 * sqrt(k) / sqrt(W)),
//   k = 0..W-1 (1 at k = 0, falling toward 0.5).
// - Samples enter the scores as x = s / 32768; for stereo the two channels'
//   terms are added before squaring.
// - Scores are doubles summed term by term in increasing k. A pair is recorded
//   only when its score is strictly below the best so far, so of two equal
//   scores the one met first stays.
//
// Forward loop: W = 4P; the window starts at S = selection start. When S >= W
// the window ends at E = min(selection end, N - 1) and the score looks back
// from the points (d = +1); otherwise E = min(selection end, N - W - 1), but
// never below S, and the score looks forward (d = -1). Lengths
// Lmax = trunc(max% * 0.01 * (E - S) + 0.5), Lmin = max(P, trunc(min% * 0.01 *
// (E - S) + 0.5)). Starts v step by trunc(0.9 P) (at least 1 sample) and then
// on to the next crossing, while v < E - Lmin; each crossing e with
// v + Lmin <= e <= v + Lmax and e < E is scored
//     D(v, e) = sum_k w[k] * (x[e - d k] - x[v - d k])^2,  k = 0..W-1,
// in order of v, then e. The first best is 1e6.
//
// Alternate loop: H = P / 2 (integer); the window is S = max(selection start,
// H), E = min(selection end, N - max(H, 1)); Lmax and Lmin as above without
// the one-period floor. Candidates are the positions where a scan for the next
// crossing from i stops (at a crossing or at E), kept when they can start
// (S <= c <= E - Lmin) or end (S + Lmin <= c <= E) a loop. Each gets the energy
//     A(c) = sum_k w[k] * (x[c - k] + x[c + k])^2,  k = 1..H-1 (W = H),
// small where the wave is odd-symmetric around c; a pair i < j of candidates
// with Lmin <= pos[j] - pos[i] <= Lmax scores A(i) + A(j), in order of i, then
// j. The first best is 1e9.
//
// Every index the search reads lies inside the sound, whatever the selection.

#include "document/SampleBuffer.h"
#include "platform/message.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

enum class LoopType { Forward = 0, Alternate = 1 }; // the entries of the loop-type combo

struct LoopSearchRequest {
    // The selection as the waveform view gives it (start <= end, frames). A
    // start below 0 is taken as 0; an end past the sound is cut by the window
    // rules above.
    int32_t selectionStart = 0;
    int32_t selectionEnd = 0;
    int minPercent = 50;  // minimum loop length, percent of the window
    int maxPercent = 100; // maximum loop length, percent of the window
    LoopType loopType = LoopType::Forward;
    // Threads that score pairs: 0 uses every core. The solutions do not depend
    // on it.
    int threadCount = 0;
};

struct LoopImprovement {
    int32_t loopStart = -1; // the pair now in slot 0
    int32_t loopEnd = -1;
    double score = 0.0;
    int solutionCount = 0;  // labelled entries the list holds now (1..10)
};

struct LoopSearchCallbacks {
    // First called once with (0, range) where the window shows its progress
    // bar (forward: range = E - Lmin - S; alternate: the candidate count), then
    // with increasing positions (forward: v - S after each start; alternate:
    // the index of each scored candidate). Positions may be skipped: at most
    // about a thousand calls per run.
    std::function<void(int32_t position, int32_t range)> progress;
    // Each recorded improvement, in the order of the search, after the table
    // has been updated. The window appends solutionLabel(solutionCount - 1)
    // when its list holds fewer than ten labels.
    std::function<void(const LoopImprovement&)> improvement;
};

enum class LoopSearchOutcome {
    Completed, // ran to its end; the table holds this run's solutions
    Stopped,   // the stop flag was seen; the table is back as it was
    Refused,   // a check failed; nothing was written; `message` says why
};

struct LoopSearchResult {
    LoopSearchOutcome outcome = LoopSearchOutcome::Refused;
    UserMessage message;      // the refusal's text (Refused only)
    int solutionCount = 0;    // labelled entries of the list after the run
    int improvementCount = 0; // improvements recorded by the run (may exceed 10)
    double bestScore = 0.0;   // the score of slot 0 when improvementCount > 0

    // The geometry the run used (0 when refused), for tools and tests.
    int32_t period = 0;       // P
    int32_t windowStart = 0;  // S
    int32_t windowEnd = 0;    // E
    int32_t minLength = 0;    // Lmin
    int32_t maxLength = 0;    // Lmax
    bool looksForward = false; // forward loop type with d = -1
};

// The checks of the Search command, in the order the window makes them:
// no sound or an empty selection gives "There must be a selected region!",
// maxPercent < minPercent "Contradictory parameters!", no positive finite
// pitch "The pitch of the sound is unknown: a loop cannot be searched.".
// Nothing when the search may run.
std::optional<UserMessage> checkLoopSearchRequest(const SampleBuffer& sound, const LoopSearchRequest& request);

// Runs one search over sound.samples, sound.sampleCount, sound.channels,
// sound.sampleRate and sound.pitchHz. Blocks until the search ends; call it on
// a worker thread. Extra scoring threads are started and joined inside.
//
// What it writes into `table`, always from the calling thread:
// - Refused: nothing.
// - At the start: slots 0..10 and currentSolution are copied aside, then slots
//   0..9 are set to -1 / -1.
// - At each improvement: pushSolution (slots 0..8 move to 1..9, slot 0 gets
//   the pair), then the improvement callback.
// - At the end: currentSolution = 0. A completed run leaves the last
//   min(10, improvements) pairs newest first and -1 behind them. A stopped run
//   puts slots 0..10 back exactly as they were before the run (solutionCount
//   then counts the slots before the first empty one).
// The table passes through partial states, so the window should not read it
// from another thread during the run: give the search a copy and assign it
// back on the window's thread when the run ends.
//
// `stop` is only read, at least every few milliseconds of work; a set flag ends
// the run well within 100 ms. The callbacks are called from the calling thread.
LoopSearchResult runLoopSearch(const SampleBuffer& sound, const LoopSearchRequest& request,
                               SolutionTable& table, const std::atomic<bool>& stop,
                               const LoopSearchCallbacks& callbacks = {});
