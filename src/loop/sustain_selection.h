#pragma once
// Sustain selection: where a sustain loop belongs in a sound, found from the
// sound and its pitch alone, for tools that have no hand to drag a selection.
//
// Method
// - Period P = sampleRate / pitchHz (a double). The sound is cut into blocks
//   of B = round(k P) frames, k = the whole number of periods nearest 10 ms
//   (at least 1): a level measured over whole periods does not ripple with
//   the waveform, so what moves is the envelope, not the phase.
// - Level of block j: L[j] = 10 log10(mean over the block and the channels
//   of x^2), x = s / 32768, in dB (-200 dB for digital silence).
// - Periodicity of block j: the largest normalised correlation
//   r = sum a b / sqrt(sum a^2 sum b^2) between the block and the block
//   `lag` frames later, for whole lags within +-6 % of P (first channel). A
//   settled note repeats itself period after period (r near 1); the attack,
//   where the partials are still building up and the noise of the bow, breath
//   or hammer dominates, does not.
// - Steadiness around block j, over the blocks of the 300 ms centred on it
//   (at least 5): the least-squares slope of L in dB per second (the trend)
//   and the RMS of L about that line (the spread). A block is steady when
//       |trend| <= 10 dB/s, spread <= 3 dB, L[j] >= Lpeak - 20 dB, r >= 0.7.
//   At the sound's start and end the window is cut to the blocks there are
//   (still at least 5), so a sound trimmed while it is still steady keeps
//   its steady end.
//   300 ms spans a full cycle of any vibrato above 3.3 Hz, so the tremolo of a
//   vibrato (a dB or two at 5 Hz) averages out of the trend and stays inside
//   the spread, while an attack (tens of dB in 50 ms), a release or a pluck's
//   decay (20 dB/s and more) shows as trend.
// - The sustain is the longest run of steady blocks; it must last at least
//   100 ms and eight periods. The selection runs from its first to its last
//   frame, moved on when needed to leave 4P + 1 frames before it (the
//   forward search compares the 4P frames before each loop point).
//
// Where it fails
// - A sound that only decays (a pluck, a struck bell, a piano note) has no
//   steady part: `steady` is false, and the selection falls back to the second
//   half of the audible sound (up to the last block within 40 dB of the peak),
//   with a warning. A very slow decay (under 10 dB/s, e.g. a long-sustain
//   piano note in its tail) passes as steady.
// - A tremolo deeper than about 3 dB, or slower than 3 Hz, reads as unsteady.
// - A pitch read an octave too high (the detector took the second harmonic)
//   makes the periodicity test compare half periods, which rarely match: the
//   sound then reads as unsteady and gets the fallback. An octave too low
//   compares pairs of periods and passes.
// - Noise-like sounds (breathy flutes at low level, percussion) correlate
//   below 0.7 from period to period and read as unsteady.
// - Without a pitch the periodicity cannot be measured: blocks are then 10 ms
//   and only the level decides.
// - A sound whose level never comes within 20 dB of its peak after a loud
//   transient (a hard attack over a quiet sustain) is treated as a decay.

#include "document/SampleBuffer.h"

#include <cstdint>
#include <string>

struct SustainSelection {
    int32_t start = 0;   // frames; the selection as the waveform view would give it
    int32_t end = 0;
    bool steady = false; // a steady part was found (false: the fallback)
    std::string reason;  // one sentence: what was chosen and why
    std::string warning; // empty when steady
    // Figures of the chosen run (steady only): the worst trend (dB/s) and
    // spread (dB) met inside it, and its smallest periodicity.
    double trendDbPerSecond = 0.0;
    double spreadDb = 0.0;
    double periodicity = 0.0;
};

// The sustain of `sound` (samples, sampleCount, channels, sampleRate and
// pitchHz; a pitch of 0 or less is taken as unknown). An empty or silent
// sound gives the whole sound with a warning.
SustainSelection findSustain(const SampleBuffer& sound);

// The normalised correlation of the first channel between the `length`
// frames from `from` and those `lag` frames later (0 when either is silent
// or the frames run past the sound).
double periodicCorrelation(const SampleBuffer& sound, int32_t from, int32_t length, int32_t lag);

// The period in frames near `period` at `from`: the whole lag within +-6 %
// of `period` of the largest periodicCorrelation over `length` frames,
// refined by a parabola through it and its neighbours. 0 when it cannot be
// measured there. `correlation` (when given) receives the peak value.
double localPeriod(const SampleBuffer& sound, int32_t from, int32_t length, double period,
                   double* correlation = nullptr);
