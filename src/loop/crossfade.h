#pragma once
// The crossfade of the loop junction, applied to a copy of the loop in the
// document's working loop buffers (loopBody, pingPong). The sound's own samples
// are never touched here; the save commits loopBody into them.
//
// Conventions. The loop (s, e) of the current slot covers samples s + 1 .. e,
// so its length is L = e - s. The crossfade length X counts samples; j runs
// from the junction outward (j = 0 is the sample next to the wrap point).
// w[j] is the weight of the loop's own material, 1 - w[j] that of the
// material imported from outside the loop:
//   Linear               w[j] = j / X
//   Exponential          w[j] = 2^(-12 (X - 1 - j) / X)   (2^-12 .. 1)
//   Inverse exponential  w[j] = 1 - 2^(-12 j / X)          (0 .. 1 - 2^-12(X-1)/X)
// Each blend is truncated toward zero and stored in 16 bits (clamped to
// -32768 .. 32767). After T passes the loop's own share at distance j is w[j]^T.

#include <cstdint>

struct SampleBuffer;

enum class CrossfadeKind : int32_t {
    Linear = 0,
    Exponential = 1,
    InverseExponential = 2,
};

struct CrossfadeSettings {
    CrossfadeKind kind = CrossfadeKind::Linear;
    int32_t lengthSamples = 0; // X; 0 = no crossfade
    int32_t passes = 1;        // T, 1..4 (values outside are taken as the nearest bound)
};

// X from the crossfade-length slider, which counts milliseconds:
// trunc(lengthMs * 0.001 * rate).
int32_t crossfadeLengthSamples(int32_t lengthMs, int32_t sampleRate);

// w[j] for 0 <= j < lengthSamples (see above); 1 when lengthSamples < 1.
double crossfadeWeight(CrossfadeKind kind, int32_t j, int32_t lengthSamples);

// Forward loop of channel samples x (frames entries) for the loop (s, e):
// out[k] = x[s + 1 + k] for k < L, then T passes of
//   out[L - 1 - j] = trunc((1 - w[j]) x[s - j] + w[j] out[L - 1 - j]),
// so after one linear pass out[L - 1] = x[s] and the wrap continues the sound.
// X is bounded by the material that exists: X <= s + 1 and X <= L.
// out must hold L entries. Returns false (out untouched) for a loop that is
// not inside the sound (-1 <= s < e < frames).
bool build_forward_loop(const int16_t* x, int32_t frames, int32_t s, int32_t e,
                        const CrossfadeSettings& fade, int16_t* out);

// Alternate loop: the loop forward, then backward with the sign inverted
// (negation in 16 bits, so -32768 stays -32768):
// out[k] = x[s + 1 + k], out[2L - 1 - k] = -x[s + 1 + k], then T passes of
//   out[2L - 1 - j] = trunc((1 - w[j]) x[s - j] + w[j] out[2L - 1 - j])
//   out[L - 1 - j]  = trunc(w[j] out[L - 1 - j] - (1 - w[j]) x[e + 1 + j])
// The first blend runs over X <= min(s + 1, L) samples. The second reads the
// material after the loop end, x[e + 1 .. e + X]; it stops at the sound's last
// sample (j <= frames - e - 2), leaving the forward half unblended beyond it
// rather than shortening the whole crossfade. out must hold 2L entries.
bool build_alternate_loop(const int16_t* x, int32_t frames, int32_t s, int32_t e,
                          const CrossfadeSettings& fade, int16_t* out);

// Fills loopBody of every channel for the current solution; does nothing when
// its loop end is below 1 (no loop). Grows loopBody when it is too short.
void buildForwardLoop(SampleBuffer& doc, const CrossfadeSettings& fade);
// Fills pingPong of every channel for the current solution; does nothing when
// the slot holds no loop.
void buildAlternateLoop(SampleBuffer& doc, const CrossfadeSettings& fade);
