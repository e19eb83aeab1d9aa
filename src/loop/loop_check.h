#pragma once
// Loop check: what a listener hears where a sustain loop wraps round.
//
// The loop (s, e) covers frames s + 1 .. e (the slot convention). Played
// forward, the junction joins y[-3..-1] = x[e-2], x[e-1], x[e] to
// y[0..2] = x[s+1], x[s+2], x[s+3]. An alternate loop plays the loop
// forward, then backward with the sign inverted (as the loop builder makes
// it), so it turns round at both ends: y[k] = -x[e-k] after x[e], and
// x[s+1+k] after -x[s+1]; the worse of the two turns is reported. Such a turn
// is smooth where the wave is odd-symmetric, at a zero crossing. Every channel is checked; the worst
// channel is reported. Values are x = s / 32768.
//
// Figures, each relative to the local sound (the two periods, or 10 ms
// without a pitch, on either side of the junction in the played order):
// - value jump: each side's parabola through its three samples nearest the
//   junction (y[-3..-1], y[0..2]) is carried to the midpoint between y[-1]
//   and y[0]; the gap between the two values, over the RMS of the
//   neighbourhood's values. On a smooth wave the parabolas agree to third
//   order in the sample step, so even bright, high notes read near 0; a step
//   of a quarter of the level (0.25) is a click however the wave runs.
// - slope jump: the gap between the two parabolas' slopes at the midpoint,
//   over the RMS of the neighbourhood's first differences. 1.0 is a corner as
//   sharp as the wave's typical slope turned round: heard as a click.
//   Three samples follow a high partial poorly, so a bright, high note has
//   such gaps of its own: each jump counts only where it is also more than
//   1.5 times the largest gap of the same kind at any other sample boundary
//   of the neighbourhood.
// - click figure: the largest |second difference| at y[-1] and y[0] over the
//   median |second difference| of the neighbourhood; compared with the largest
//   figure any other sample of the neighbourhood reaches (the wave's own
//   sharpness, `crest`). A click when at least 4, more than 1.5 crest and
//   the second difference is at least 5 % of the RMS value: a smaller tick
//   (a loop half a sample off whole periods of a pure low tone) stands out
//   from a smooth wave's tiny curvature but is masked by the tone itself.
// - junction mismatch (forward loops): what the wrap changes, per channel
//       sqrt( sum_k (x[e+1+k] - x[s+1+k])^2 / sum_k (x[e+1+k]^2 + x[s+1+k]^2) / 2 )
//   over the same two periods (or 10 ms) either side, k = -R .. R-1 cut where
//   the sound ends, the worst channel that is within 20 dB of the loudest:
//   0 for a seamless loop, about 1.4 for unrelated waves, 2 for a wave turned
//   upside down. Above 0.7 the loop joins a different waveform: a bump or
//   thump even where the three samples at the wrap happen to line up (a loop
//   half a period off on a bright or noisy sound, whose own sharpness masks
//   the corner). It counts only where it is also more than 1.5 times the
//   sound's own change over one period there (`ownMismatch`: the mismatch of
//   a one-period loop ending at e, or starting at s, the larger): an
//   ensemble, a chorus or a breathy tone never repeats its waveform, and a
//   loop of it that joins waves as unlike as its own successive periods is
//   heard as the sound going on.
// A junction with any of the four is an audible click.
// - periods: the loop length e - s over the period measured on the sound
//   inside the loop (localPeriod at up to 16 places, averaged; the detected
//   pitch when that fails), made exact at the junction: with m that count
//   rounded, the lag t within half a period of m P - (e - s) at which the
//   waves after the two ends line up best (normalised correlation over two
//   periods either side, at least 0.5, refined by a parabola) gives
//   periods = m (e - s) / (e - s + t). A loop whose ends meet the same
//   waveform thus reads whole periods however short it is or however
//   roughly the pitch is known (an octave error changes m, not the lag). The loop repeats every e - s frames, so the
//   nearest whole number m of periods is forced into it: the looped pitch moves
//   by 1200 log2(m / periods) cents. Beyond 5 cents (about the smallest
//   step heard on a held tone) the verdict is pitch drift. Alternate loops
//   play every period forwards and backwards, so they get no pitch figure.
// Verdicts, worst first: "audible click", "pitch drift", "clean".

#include "document/SampleBuffer.h"

#include <cstdint>
#include <string>

enum class LoopVerdict { Clean, AudibleClick, PitchDrift };

struct LoopCheckLimits {
    double valueJump = 0.25;
    double slopeJump = 1.0;
    double clickFigure = 4.0;
    double clickOverCrest = 1.5;
    double tickLevel = 0.05;
    double driftCents = 5.0;
    double mismatch = 0.7;
    double mismatchOverOwn = 1.5;
};

struct LoopCheck {
    bool valid = false;        // the loop lies inside the sound and can be checked
    double valueJump = 0.0;    // relative to the local RMS value
    double slopeJump = 0.0;    // relative to the local RMS slope
    double clickFigure = 0.0;  // second difference at the junction over the neighbourhood's median
    double crest = 0.0;        // the largest such figure elsewhere in the neighbourhood
    double periods = 0.0;      // loop length in periods; 0 without a pitch or for alternate loops
    double driftCents = 0.0;   // 1200 log2(m / periods), m the nearest whole number
    double mismatch = 0.0;     // junction mismatch (forward loops; 0 for alternate ones)
    double ownMismatch = 0.0;  // the sound's own: a one-period loop's at either end, the larger
    LoopVerdict verdict = LoopVerdict::Clean;
};

// Checks the loop (loopStart, loopEnd) of `sound` (its samples, channels,
// sampleRate and pitchHz), forward or alternate.
LoopCheck checkLoop(const SampleBuffer& sound, int32_t loopStart, int32_t loopEnd, bool forward,
                    const LoopCheckLimits& limits = {});

// "clean", "audible click" or "pitch drift".
std::string verdictText(LoopVerdict verdict);

// The window's one line: "Loop check: clean", "Loop check: audible click",
// "Loop check: pitch drift (+8.6 cents)".
std::string loopCheckLine(const LoopCheck& check);
