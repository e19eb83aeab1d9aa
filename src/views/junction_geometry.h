#pragma once
// The junction display's geometry: the samples a sampler plays around the
// point where a loop wraps, on one time axis centred on the wrap.
//
// Conventions. The loop (s, e) covers samples s + 1 .. e, L = e - s.
// Offsets k count samples from the wrap: k = -1 is the last sample played
// before it, k = 0 the first after it. A forward loop plays the cycle
//   c[j] = x[s + 1 + j], j = 0 .. L - 1, repeated,
// so the wrap joins x[e] (k = -1) to x[s + 1] (k = 0). An alternate loop
// plays the cycle of 2L samples the loop builder makes: the loop forward,
// then backward with its sign inverted (c[2L - 1 - j] = -x[s + 1 + j]). It
// turns twice: at its end (x[e] at k = -1, -x[e] at k = 0) and at its start
// (-x[s + 1] at k = -1, x[s + 1] at k = 0). In every case the sample at
// offset k is c[(W + k) mod M], with M the cycle length and W the index at
// which the junction's right half begins (0, or L for the end turn).
// The uncrossfaded trace is that cycle from the sound itself; the crossfaded
// trace is the loop buffer with the current crossfade (loopBody or pingPong).
//
// Time axis. The view shows offsets -H .. H - 1 with H = trunc(halfSpanMs *
// rate / 1000), at least 1. Sample k sits at x = width / 2 + (k + 0.5) * width
// / (2H): the wrap falls on the centre of the view, between k = -1 and k = 0.

#include "loop/crossfade.h"

#include <cstdint>
#include <vector>

struct SampleBuffer;

// Zoom steps of the half span, in ms: from +-0.5 ms to +-50 ms.
constexpr double kJunctionZoomMs[] = {0.5, 1.0, 2.0, 5.0, 10.0, 20.0, 50.0};
constexpr int kJunctionZoomSteps = 7;

enum class JunctionTurn {
    LoopWrap, // forward loop: end into start
    EndTurn,  // alternate loop: turning back at the loop end
    StartTurn // alternate loop: turning forward at the loop start
};

// One junction, per channel: plain[c][i] and faded[c][i] are the samples at
// offset k = i - halfSamples.
struct JunctionTrace {
    JunctionTurn turn = JunctionTurn::LoopWrap;
    int channels = 0;
    int32_t halfSamples = 0;
    std::vector<int16_t> plain[2];
    std::vector<int16_t> faded[2];
    bool empty() const { return channels == 0 || halfSamples <= 0; }
};

// H for a half span and rate (see above).
int32_t junctionHalfSamples(double halfSpanMs, int32_t sampleRate);

// x of offset k in a view `width` pixels wide showing +-halfSamples.
double junctionSampleX(int32_t k, int32_t halfSamples, int width);

// The junctions of the loop (s, e) of `sound`: one for a forward loop, the end
// turn then the start turn for an alternate loop. Empty when the loop is not
// inside the sound (-1 <= s < e < N) or the rate is not positive.
std::vector<JunctionTrace> buildJunctionTraces(const SampleBuffer& sound, int32_t loopStart, int32_t loopEnd,
                                               bool forward, const CrossfadeSettings& fade, double halfSpanMs);
