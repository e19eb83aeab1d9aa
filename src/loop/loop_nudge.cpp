#include "loop/loop_nudge.h"

#include <algorithm>
#include <cmath>

std::optional<int32_t> rising_zero_crossing(const int16_t* x, int32_t frames, int32_t p, int direction)
{
    if (!x || frames < 2 || direction == 0)
        return std::nullopt;
    auto rising = [x](int32_t i) { return x[i] < 0 && x[i + 1] >= 0; };
    if (direction > 0) {
        for (int32_t i = std::max<int32_t>(p + 1, 0); i + 1 < frames; ++i)
            if (rising(i))
                return i;
    } else {
        for (int32_t i = std::min<int32_t>(p - 1, frames - 2); i >= 0; --i)
            if (rising(i))
                return i;
    }
    return std::nullopt;
}

bool loopKeepsRules(const LoopPoints& loop, const NudgeContext& ctx)
{
    const int64_t s = loop.start;
    const int64_t e = loop.end;
    const int64_t x = std::max(ctx.crossfadeSamples, 0);
    if (s - 1 < x || e - s < std::max<int64_t>(x, 1) || e > static_cast<int64_t>(ctx.frames) - 1)
        return false;
    return ctx.forward || ctx.frames - e >= x;
}

namespace {

std::optional<LoopPoints> withPoint(LoopPoints loop, LoopPoint which, int64_t p, const NudgeContext& ctx)
{
    if (p < -1 || p > ctx.frames)
        return std::nullopt;
    (which == LoopPoint::Start ? loop.start : loop.end) = static_cast<int32_t>(p);
    if (!loopKeepsRules(loop, ctx))
        return std::nullopt;
    return loop;
}

} // namespace

std::optional<LoopPoints> nudgeLoopPoint(const LoopPoints& loop, LoopPoint which, NudgeStep step, int direction,
                                         const NudgeContext& ctx)
{
    if (direction == 0)
        return std::nullopt;
    const int sign = direction > 0 ? 1 : -1;
    const int32_t p = which == LoopPoint::Start ? loop.start : loop.end;
    switch (step) {
    case NudgeStep::Sample: return withPoint(loop, which, static_cast<int64_t>(p) + sign, ctx);
    case NudgeStep::ZeroCrossing: {
        const auto q = rising_zero_crossing(ctx.x, ctx.frames, p, sign);
        if (!q)
            return std::nullopt;
        return withPoint(loop, which, *q, ctx);
    }
    case NudgeStep::Period: {
        if (!(ctx.periodSamples > 0.0))
            return std::nullopt;
        const int64_t d = static_cast<int64_t>(ctx.periodSamples + 0.5);
        if (d < 1)
            return std::nullopt;
        return withPoint(loop, which, static_cast<int64_t>(p) + sign * d, ctx);
    }
    }
    return std::nullopt;
}

std::optional<LoopPoints> dragLoopPoint(const LoopPoints& loop, LoopPoint which, int32_t p, bool snap,
                                        const NudgeContext& ctx)
{
    if (!snap)
        return withPoint(loop, which, p, ctx);
    // A crossing at p itself counts: search from one step outside it.
    const auto before = rising_zero_crossing(ctx.x, ctx.frames, p + 1, -1);
    const auto after = rising_zero_crossing(ctx.x, ctx.frames, p, +1);
    if (!before && !after)
        return std::nullopt;
    int32_t q;
    if (before && after)
        q = (p - *before <= *after - p) ? *before : *after;
    else
        q = before ? *before : *after;
    return withPoint(loop, which, q, ctx);
}
