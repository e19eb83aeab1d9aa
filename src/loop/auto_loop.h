#pragma once
// Automatic loop: the best forward loop of a sound's sustain, found without
// a hand-made selection or length limits, for --select auto and the window's
// Auto loop command. No toolkit: the caller runs it on a worker thread.
//
// Conventions as in loop/loop_search.h: positions are frames, a loop (s, e)
// covers s + 1 .. e, a rising zero crossing is i with x[i] < 0 <= x[i + 1]
// on the first channel, values are x = s / 32768.
//
// Figure: the junction mismatch of (s, e) with radius R,
//     m_c(s, e) = sqrt( sum_k (x_c[e+1+k] - x_c[s+1+k])^2
//                     / sum_k (x_c[e+1+k]^2 + x_c[s+1+k]^2) / 2 ),  k = -R .. R-1,
// for each channel c, and m = the largest m_c over the channels whose
// denominator is at least 1 % of the loudest one's (a channel 20 dB down
// still counts; digital silence does not). A pair whose louder channel is
// below one 16-bit step of RMS is not a loop at all. Played, the loop puts
// x[s+1+k] where the sound had x[e+1+k] (k >= 0) and x[e+1+k] where it had
// x[s+1+k] (k < 0), so m is the RMS of what the wrap changes over the
// neighbourhood, relative to its RMS level: 0 for a seamless loop, about
// sqrt(2) for unrelated waves, 2 for a wave turned upside down. Every channel
// must match on its own: a sum of channels before squaring (as the window's
// search scores) lets a loud channel hide a quiet one that jumps.
//
// Method, over a range [from, to] (autoLoopRange: the sustain and what
// follows it while audible):
// - P = rate / pitchHz, R = max(round(2 P), 32): two periods either side
//   hold every partial's phase and the waveform's shape, and are short
//   enough that a slow vibrato or decay barely moves within them. Only loops
//   whose whole neighbourhood lies inside the sound are scored.
// - Lengths: every crossing e of the range at least Lmin after the start,
//   Lmin = max(2 R, 4 P) (the two neighbourhoods never overlap), so all
//   lengths in whole periods from Lmin to the whole range are met (the
//   mismatch has its minima one period apart, where the wave lines up
//   again), without the window's percentages of a selection. The shortest
//   loop that matches best wins: a sound that drifts (vibrato, decay, a
//   changing timbre) matches best over few periods; a longer loop is chosen
//   where it matches better.
// - Starts: the first crossing at or after each of 128 places spread evenly
//   from the range's start to its end less Lmin. Each start keeps its best
//   end in each of four bands of lengths (Lmin to 4 Lmin, to 16 Lmin, to
//   64 Lmin, and beyond); a sum stops as soon as a channel's partial
//   numerator passes the band's best so far times that channel's
//   denominator (the denominators come from prefix sums of squares, so they
//   are known before the sum).
// - Fine placement: around the three best pairs and the best of each band,
//   every crossing v within one period of the start is paired with every
//   end within 2 frames of e + (v - s). The coarse end sits on a crossing,
//   at most one frame from where the wave lines up with the start; the fine
//   end is any frame, so the junction is placed to the nearest frame, not to
//   the nearest crossing.
// - The list, at most ten distinct pairs: the lowest mismatch, then the best
//   of each band of longer loops (so that the list offers them), then the
//   rest, lowest mismatch first.
// - First solution: the figure rewards short loops (a drift has less time to
//   grow), and a loop of a few periods freezes a vibrato, a chorus or a
//   bow's life into one repeated shape. So when the lowest-mismatch loop is
//   shorter than 100 ms, the listed loop of 100 ms or more with the lowest
//   mismatch goes first instead, provided its mismatch is at most 1.75 times
//   the lowest and the loop check calls it clean whenever it calls the
//   lowest clean; the others keep their order. On the GM soundfonts'
//   melodic samples this lifts the median first loop from 7 periods (24 ms)
//   to 19 periods (96 ms), keeps 76 % of them as good as the maker's loop
//   (77 % before; the makers' median is 79 periods, 219 ms) and raises the
//   share the check calls clean from 94.2 % to 95.2 %. A wider tolerance or
//   a longer minimum buys length with junction quality: 2 times gives 26
//   periods and 75 %, 3 times 49 periods and 72 %.
//
// Why it works: a sustained note repeats its waveform period after period
// while its envelope, vibrato and timbre drift slowly; the loop that sounds
// seamless is the one whose two ends meet the same waveform, in every
// channel, over a couple of periods, which is exactly m. Scoring both sides
// of the junction (not only the frames before it) also judges what follows
// the wrap.
// Where it fails:
// - A sound without a steady part (a pluck, a piano) gets findSustain's
//   fallback; the best pair there still joins matching waves, but the decay
//   makes the loop pump.
// - Chorused or ensemble sounds (beating partials) never repeat exactly;
//   the least mismatch may then lie at a short loop whose beating repeats.
// - Noise-like sounds have no matching waveforms: every pair scores near
//   sqrt(2) and the choice is arbitrary.
// - A pitch an octave too high gives starts and windows half as long; the
//   crossings still cover every length, so this mostly costs robustness.
// - The length rule is a duration, not a measured vibrato: a loop of 100 ms
//   spans half a cycle of a 5 Hz vibrato, and where every loop of 100 ms or
//   more matches worse than 1.75 times the best (a steady decay or drift,
//   where the mismatch grows with the length) the first loop stays short.
//   Half the first loops are still under 20 periods, against the makers' 79;
//   the longer ones follow in the list.

#include "document/SampleBuffer.h"
#include "loop/loop_search.h"
#include "loop/sustain_selection.h"
#include "platform/message.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

struct AutoLoopRequest {
    int32_t from = 0; // frames; autoLoopRange gives it
    int32_t to = 0;
};

struct AutoLoopCandidate {
    int32_t loopStart = -1;
    int32_t loopEnd = -1;
    double mismatch = 0.0;
};

struct AutoLoopCallbacks {
    // (0, range) once, then increasing positions up to range.
    std::function<void(int32_t position, int32_t range)> progress;
};

struct AutoLoopResult {
    LoopSearchOutcome outcome = LoopSearchOutcome::Refused;
    UserMessage message;                  // Refused only
    std::vector<AutoLoopCandidate> loops; // lowest mismatch first, then longer ones (above), at most 10
    double period = 0.0;                  // P
    int32_t radius = 0;                   // R
    int32_t minLength = 0;                // Lmin
    int32_t maxLength = 0;                // the longest length scored
};

// The range an automatic loop is looked for in: from the sustain's start to
// the end of the audible sound (the last 10 ms block within 40 dB of the
// loudest). Past the sustain's end the sound may still settle (a sample
// trimmed after its loop, the quiet tail of a slow decay) and be the best
// place for a loop; a release or a faster decay moves the level between the
// two ends of any loop of Lmin or more, which the mismatch counts.
AutoLoopRequest autoLoopRange(const SampleBuffer& sound, const SustainSelection& sustain);

// The loops of the range `request` of `sound` (samples, channels,
// sampleRate, pitchHz). Refused without a loaded sound or a pitch (the
// search's messages), or with a sustain too short for one loop of Lmin
// ("The sustain is too short for a loop."). `stop` is read at least every
// few milliseconds; a stopped run returns Stopped and no loops.
AutoLoopResult findAutoLoop(const SampleBuffer& sound, const AutoLoopRequest& request, const std::atomic<bool>& stop,
                            const AutoLoopCallbacks& callbacks = {});

// One Auto loop, as the window's command and --select auto run it: the
// sustain (findSustain), the range from it (autoLoopRange) and its loops.
struct AutoLoopRun {
    SustainSelection sustain;
    AutoLoopRequest range;
    AutoLoopResult result;
};
AutoLoopRun autoLoopSound(const SampleBuffer& sound, const std::atomic<bool>& stop,
                          const AutoLoopCallbacks& callbacks = {});

// Slots 0 .. n-1 of `table` get the result's loops (best first), the rest
// -1 / -1, and currentSolution 0: the solutions list the window shows.
void storeAutoLoops(const AutoLoopResult& result, SolutionTable& table);
