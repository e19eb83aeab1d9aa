#pragma once
// Moving one loop point by hand: a sample, a rising zero crossing or a period
// at a time, within the rules the loop search keeps.
//
// Conventions. The loop (s, e) covers samples s + 1 .. e of a sound of N
// frames. A rising zero crossing is a position i with x[i] < 0 and
// x[i + 1] >= 0 (as in the search, on the first channel), so a loop from
// one to another starts on a non-negative sample and ends on a negative one.
// A period step moves by the period rounded to whole samples,
// trunc(rate / pitchHz + 0.5).
//
// Rules a moved loop keeps, X the crossfade length in samples:
// - the material before the loop holds the crossfade: s - 1 >= X (so s >= 1);
// - the loop holds it too and is not empty: e - s >= max(X, 1);
// - the end stays inside the sound: e <= N - 1, and for an alternate loop the
//   material after it holds the crossfade: N - e >= X.
// A move that would break one is refused, and the loop stays as it was.

#include <cstdint>
#include <optional>

enum class LoopPoint { Start, End };
enum class NudgeStep { Sample, ZeroCrossing, Period };

struct LoopPoints {
    int32_t start = -1;
    int32_t end = -1;
    bool operator==(const LoopPoints& o) const { return start == o.start && end == o.end; }
};

struct NudgeContext {
    const int16_t* x = nullptr; // the first channel
    int32_t frames = 0;
    double periodSamples = 0.0;  // 0 or less: no pitch, period steps are refused
    int32_t crossfadeSamples = 0;
    bool forward = true;
};

// The nearest rising zero crossing strictly after (direction > 0) or before
// (direction < 0) position p; nullopt when there is none.
std::optional<int32_t> rising_zero_crossing(const int16_t* x, int32_t frames, int32_t p, int direction);

// Whether (s, e) keeps the rules above.
bool loopKeepsRules(const LoopPoints& loop, const NudgeContext& ctx);

// The loop with `which` moved one step in `direction` (+1 later, -1 earlier),
// or nullopt when the step does not exist or breaks a rule.
std::optional<LoopPoints> nudgeLoopPoint(const LoopPoints& loop, LoopPoint which, NudgeStep step, int direction,
                                         const NudgeContext& ctx);

// A point dragged to sample p: p itself, or with `snap` the rising zero
// crossing nearest to p (either side; the earlier one on a tie); nullopt
// when the result breaks a rule.
std::optional<LoopPoints> dragLoopPoint(const LoopPoints& loop, LoopPoint which, int32_t p, bool snap,
                                        const NudgeContext& ctx);
