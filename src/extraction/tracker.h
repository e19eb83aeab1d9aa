#pragma once
// The tracker functions: split the attack of a looped sound (samples
// 0 .. LS, LS = the loop start) into a slow version, which replaces the
// attack, and the chiff, kept aside; then exchange the sound with the chiff
// and back.
//
// Per channel, with s the channel, LE the loop end, L = LE - LS, G the block
// size min(4 * trunc(rate / pitch + 0.5), 200) and B = trunc(LS / G):
// 1. env[b] = max |s| over block b (b * G .. b * G + G - 1), b < B.
// 2. Steady copy T[0 .. LS]: the loop tiled backwards from the loop start,
//    T[LS - q * L - j] = s[LE - j] for j = 0 .. L, q = 0, 1, ..., stopping
//    right after T[0]; so T joins the loop without a seam.
// 3. T follows the attack's envelope: block b (b = 0 .. B, the last one
//    ending at LS) has target gain h = min(env[b] / max |T| in the block, 1)
//    (1 for the last block or a silent copy), and its samples are scaled by
//    a ramp prev + i * (h - prev) / G from the previous block's gain
//    (starting at 0).
// 4. Slope: T[t] *= s_ + t * (1 - s_) / LS, s_ = slope percent / 100.
// 5. The residual D = s - T, followed by 2000 zeros, keeps only the
//    harmonics up to "compensate up to" X that are not characteristic
//    (Extract, pass all except listed, one mask row), and T += D.
// 6. chiff = s - T. With c = factor / 10 > 0, A = 10^(dB / 20) and
//    a = (1 - 1/A)^c, the slow version takes back the share
//    (t * a / (LS + 1))^(1/c) + 1/A of the chiff (1/A at the start, almost
//    1 at the loop start), and chiff = s - T again.
// 7. s[t] = T[t], chiff[t] kept; both faded in by sqrt(t / K) over the first
//    K = min(LS, rate / 250) samples.
// Every 16-bit result is clamped, and products are truncated toward zero.
//
// The chiff is kept in a TrackerState, never in the loop slots. Show chiff
// sets the sound's length to LS + 1 and exchanges the first LS + 1 samples
// with the chiff (negated when asked); show slow exchanges them back.

#include "document/sampler_marks.h"
#include "extraction/harmonic_list.h"

#include <cstdint>
#include <string>
#include <vector>

struct SampleBuffer;

// The tracker parameters dialog's values; the window keeps them.
struct TrackerParams {
    std::string characteristicHarmonics; // list syntax of extraction/harmonic_list.h
    int compensateUpTo = 16;             // harmonic X, 0 .. 128
    int envelopeSlope = 90;              // percent, 0 .. 100
    int chiffAttenuation = 27;           // dB, 0 .. 64
    int compensationFactor = 15;         // tenths, 0 .. 50
};

// The characteristic harmonics, then X + 1, X + 2, ... up to
// half_band_harmonic_count(rate, lowest pitch): the harmonics the slow
// version does not take from the residual.
HarmonicList tracker_harmonic_list(const TrackerParams& params, int32_t sampleRate, double lowestPitchHz);

// Steps 1 .. 7 above on one channel: s has at least LE + 1 samples, its
// first LS + 1 are replaced by the slow version and chiff receives LS + 1
// samples. Requires 0 <= LS < LE.
void tracker_split_channel(int16_t* s, int32_t loopStart, int32_t loopEnd, int32_t sampleRate, double pitchHz,
                           const HarmonicList& list, const TrackerParams& params, int16_t* chiff);

// Why Trak does not run: no loop at all (nothing happens), or a loop it
// cannot use (length 0, or fewer than 128 frames before its start: the
// window says "There must be a loop selected.").
enum class TrackerCheck { Ready, NoLoop, UnusableLoop };
TrackerCheck tracker_check(const SampleBuffer& doc);

class TrackerState {
public:
    // Trak on every channel of `doc` with the current solution's loop. The
    // caller checked tracker_check() and took the undo snapshot.
    void trak(SampleBuffer& doc, const TrackerParams& params);

    // Ch: the sound becomes the chiff (LS + 1 frames; negated when `invert`),
    // the slow attack goes to the state, solution 0's loop is kept and every
    // solution slot is cleared. Sl: the reverse. Each returns false, changing
    // nothing, when its step is not available or the sound no longer has the
    // length the state was made for.
    bool showChiff(SampleBuffer& doc, bool invert);
    bool showSlow(SampleBuffer& doc);

    // The sound still has the length the state expects (the full sound, or
    // the chiff while it is shown).
    bool fits(const SampleBuffer& doc) const;
    bool canShowChiff() const { return ready_ && !chiffShown_; }
    bool canShowSlow() const { return ready_ && chiffShown_; }
    void discard();

    int32_t chiffLength() const { return chiffLength_; }
    const std::vector<int16_t>& buffer(int channel) const { return buffer_[channel]; }

private:
    std::vector<int16_t> buffer_[2]; // the chiff, or the slow attack while the chiff is shown
    int32_t chiffLength_ = 0;        // LS + 1
    int32_t fullCount_ = 0;          // the sound's length after Trak
    FileMarks savedMarks_;           // the file's marks while the chiff is shown
    int32_t savedLoopStart_ = -1;    // solution 0 while the chiff is shown
    int32_t savedLoopEnd_ = -1;
    bool ready_ = false;
    bool chiffShown_ = false;
    bool shownInverted_ = false;
};

// Decreases fftSizeExp while the analysis window, from
// sampleCount * fftStartFraction, would reach past the sound's end.
void fit_analysis_window(SampleBuffer& doc);
