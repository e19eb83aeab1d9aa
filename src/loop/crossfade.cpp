#include "loop/crossfade.h"

#include "document/SampleBuffer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwelveOctavesLn = 12.0 * 0.69314718055994530942; // 12 ln 2

int16_t toSample16(double v)
{
    // Truncation toward zero, then clamp: a blend with negated material can
    // reach +32768 (w = 0 against x = -32768), which must not wrap to -32768.
    const double t = std::trunc(v);
    if (t > 32767.0)
        return 32767;
    if (t < -32768.0)
        return -32768;
    return static_cast<int16_t>(t);
}

// Negation in 16 bits: -(-32768) wraps back to -32768.
int16_t negate16(int16_t v)
{
    return static_cast<int16_t>(static_cast<uint16_t>(-static_cast<int32_t>(v)));
}

int32_t clampPasses(int32_t passes)
{
    return std::min<int32_t>(4, std::max<int32_t>(1, passes));
}

bool loopInside(int32_t frames, int32_t s, int32_t e)
{
    return s >= -1 && s < e && e < frames;
}

int currentSlot(const SampleBuffer& doc)
{
    const int slot = doc.loops.currentSolution;
    return (slot >= 0 && slot < SolutionTable::kSlots) ? slot : 0;
}

} // namespace

int32_t crossfadeLengthSamples(int32_t lengthMs, int32_t sampleRate)
{
    if (lengthMs <= 0 || sampleRate <= 0)
        return 0;
    return static_cast<int32_t>(lengthMs * 0.001 * sampleRate);
}

double crossfadeWeight(CrossfadeKind kind, int32_t j, int32_t lengthSamples)
{
    if (lengthSamples < 1)
        return 1.0;
    const double X = lengthSamples;
    switch (kind) {
    case CrossfadeKind::Exponential:
        return std::exp(-kTwelveOctavesLn * (X - 1.0 - j) / X);
    case CrossfadeKind::InverseExponential:
        return 1.0 - std::exp(-kTwelveOctavesLn * j / X);
    case CrossfadeKind::Linear:
    default:
        return j / X;
    }
}

bool build_forward_loop(const int16_t* x, int32_t frames, int32_t s, int32_t e,
                        const CrossfadeSettings& fade, int16_t* out)
{
    if (!loopInside(frames, s, e))
        return false;
    const int32_t L = e - s;
    std::copy(x + s + 1, x + e + 1, out);

    // The pre-loop material x[s - X + 1] .. x[s] must exist.
    const int32_t X = std::min({fade.lengthSamples, s + 1, L});
    if (X < 1)
        return true;
    const int32_t T = clampPasses(fade.passes);
    for (int32_t pass = 0; pass < T; ++pass) {
        for (int32_t j = 0; j < X; ++j) {
            const double w = crossfadeWeight(fade.kind, j, X);
            int16_t& b = out[L - 1 - j];
            b = toSample16((1.0 - w) * x[s - j] + w * b);
        }
    }
    return true;
}

bool build_alternate_loop(const int16_t* x, int32_t frames, int32_t s, int32_t e,
                          const CrossfadeSettings& fade, int16_t* out)
{
    if (!loopInside(frames, s, e))
        return false;
    const int32_t L = e - s;
    for (int32_t k = 0; k < L; ++k) {
        out[k] = x[s + 1 + k];
        out[2 * L - 1 - k] = negate16(x[s + 1 + k]);
    }

    const int32_t X = std::min({fade.lengthSamples, s + 1, L});
    if (X < 1)
        return true;
    // The turning-point blend reads x[e + 1 + j]; the sound ends at frames - 1,
    // so only j < frames - 1 - e exist. Those steps past the end are skipped
    // (their weights are the loop's own, near 1) instead of shortening X,
    // which would also change the curve of the other junction.
    const int32_t afterEnd = std::min(X, frames - 1 - e);
    const int32_t T = clampPasses(fade.passes);
    for (int32_t pass = 0; pass < T; ++pass) {
        for (int32_t j = 0; j < X; ++j) {
            const double w = crossfadeWeight(fade.kind, j, X);
            int16_t& back = out[2 * L - 1 - j];
            back = toSample16((1.0 - w) * x[s - j] + w * back);
            if (j < afterEnd) {
                int16_t& fwd = out[L - 1 - j];
                fwd = toSample16(w * fwd - (1.0 - w) * x[e + 1 + j]);
            }
        }
    }
    return true;
}

void buildForwardLoop(SampleBuffer& doc, const CrossfadeSettings& fade)
{
    const int slot = currentSlot(doc);
    const int32_t s = doc.loops.loopStart[slot];
    const int32_t e = doc.loops.loopEnd[slot];
    if (e < 1 || !loopInside(doc.sampleCount, s, e))
        return;
    const size_t L = static_cast<size_t>(e - s);
    for (int c = 0; c < doc.channels && c < 2; ++c) {
        if (doc.samples[c].size() < static_cast<size_t>(doc.sampleCount))
            continue;
        if (doc.loopBody[c].size() < L)
            doc.loopBody[c].resize(static_cast<size_t>(doc.sampleCount), 0);
        build_forward_loop(doc.samples[c].data(), doc.sampleCount, s, e, fade,
                           doc.loopBody[c].data());
    }
}

void buildAlternateLoop(SampleBuffer& doc, const CrossfadeSettings& fade)
{
    const int slot = currentSlot(doc);
    const int32_t s = doc.loops.loopStart[slot];
    const int32_t e = doc.loops.loopEnd[slot];
    if (e < 1 || !loopInside(doc.sampleCount, s, e))
        return;
    const size_t L2 = 2 * static_cast<size_t>(e - s);
    for (int c = 0; c < doc.channels && c < 2; ++c) {
        if (doc.samples[c].size() < static_cast<size_t>(doc.sampleCount))
            continue;
        if (doc.pingPong[c].size() < L2)
            doc.pingPong[c].resize(2 * static_cast<size_t>(doc.sampleCount), 0);
        build_alternate_loop(doc.samples[c].data(), doc.sampleCount, s, e, fade,
                             doc.pingPong[c].data());
    }
}
