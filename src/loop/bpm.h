#pragma once
// The BPM machine: fits the current loop to a tempo by relabelling the sound's
// sample rate. No sample, loop point or crossfade length (in samples) moves;
// only how fast the frames are played, and so the pitch, changes.
//
// A loop of L samples (L = loopEnd - loopStart) must last
//   D = b * (60 / tempo) * measures  seconds,
// b the beats of one measure: the beats per measure for the beat value "4";
// a third of them for "8" (a measure of eighths counts dotted-quarter beats,
// so 6/8 has two), in real division so that 1/8 and 2/8 keep their fraction.
// The new rate is trunc(L / D + 0.5) Hz.

#include "platform/message.h"

#include <cstdint>

struct SampleBuffer;
class UndoHistory;

struct BpmSettings {
    int32_t beatValueIndex = 0; // 0: "4", 1: "8"
    int16_t beatsPerMeasure = 4; // 1..32
    int16_t measures = 1;        // 1..32
    double tempo = 0.0;          // beats per minute, 20..400
};

constexpr int kBpmMinCount = 1;   // beats per measure and measures
constexpr int kBpmMaxCount = 32;
constexpr double kBpmMinTempo = 20.0;
constexpr double kBpmMaxTempo = 400.0;
// The rates a sound may be given (those a WAV file and the playback accept).
constexpr int32_t kBpmMinRate = 1;
constexpr int32_t kBpmMaxRate = 768000;

// b above: beats per measure, or a third of them for beat value "8".
double bpm_beats_in_measure(const BpmSettings& settings);

// L / D rounded (trunc(x + 0.5)), as a double so that a rate far beyond the
// int range is still reported as such; 0 when the settings give no duration.
double bpm_sample_rate(int32_t loopLength, const BpmSettings& settings);

// What the dialog proposes when nothing was accepted before: "4", 4 beats
// per measure, the smallest measure count m >= 1 whose tempo
//   t = rate * 4m * 60 / L
// is at least 60 BPM, and t itself, or 400 when t is above 400. A very long
// loop may need more than 32 measures: the proposal says so, and the
// dialog's range check asks for a valid count.
BpmSettings bpm_proposal(int32_t loopLength, int32_t sampleRate);

// A new rate for the sound, without touching a sample: each channel's pitch
// scales with the rate (the frames play that much faster), pitchHz follows,
// and the rate is replaced. The notes are left to the caller's pitch update.
// No undo snapshot: the caller takes it.
void relabel_sample_rate(SampleBuffer& doc, int32_t newRate);

enum class BpmOutcome {
    Unchanged,  // the settings give the current rate: nothing changed, no snapshot
    Changed,    // snapshot taken, rate and pitch changed
    OutOfRange, // the rate would leave kBpmMinRate .. kBpmMaxRate: nothing changed
    NoLoop,     // no sound, or the current slot holds no loop
};

struct BpmResult {
    BpmOutcome outcome = BpmOutcome::NoLoop;
    double newRate = 0.0; // the rate the settings ask for (also when refused)
};

// The BPM machine's OK on the current slot's loop: the undo snapshot, then
// relabel_sample_rate, when the new rate is valid and differs from the old.
BpmResult applyBpmMachine(SampleBuffer& doc, UndoHistory& history, const BpmSettings& settings);

// The refusal of a rate outside kBpmMinRate .. kBpmMaxRate, every rate
// grouped as the window shows rates ("882.000 Hz"). A rate beyond 32 bits is
// written the same way from its thousands.
UserMessage bpmRateOutOfRangeMessage(double newRate);
