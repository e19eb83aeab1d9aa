#pragma once
// Clean low frequencies and Enhance/Smooth: two one-click commands that filter
// the whole sound relative to each channel's own pitch.
//
// Clean low frequencies high-passes each channel with the Kaiser-windowed
// FIR of dsp/filter_design.h (stop edge pitch / 2, pass edge 0.9 pitch,
// 0.1 dB ripple, 80 dB attenuation, two passes) in 32 bits, then scales it
// back to the peak it had: v * P / Q rounded half away from zero, clamped to
// 16 bits (a peak of 32768, from a -32768 sample, comes back as 32767).
//
// Enhance/Smooth boosts (gain > 0) or cuts (gain < 0) harmonic n of each
// channel with the peaking filter: centre n f, bandwidth f / 16, f the
// channel's pitch.
//
// Both open a progress display of 100 x channels steps that the filter runs
// advance (dsp/progress.h).

#include "dsp/progress.h"
#include "platform/message.h"
#include "processing/volume.h"

#include <optional>
#include <string>

struct SampleBuffer;
class UndoHistory;

// Clean low frequencies filters a channel only when its own pitch is above
// this; below it (or 0, an unanalysed or silent channel) the channel stays
// as it is. The command itself is offered while the sound's pitch is above it.
constexpr double kCleanMinimumPitchHz = 32.0;

// One channel, in place: returns false (and leaves it) when pitchHz is not
// above kCleanMinimumPitchHz.
bool clean_channel(int16_t* samples, int32_t count, int32_t sampleRate, double pitchHz);

// The command on a loaded sound with frames: takes the undo snapshot, then
// cleans each channel with its own pitch. Nothing (Unchanged, no snapshot)
// without frames, or when no channel's pitch is above kCleanMinimumPitchHz.
EditOutcome applyCleanLowFrequencies(SampleBuffer& doc, UndoHistory& history, const ProgressCallback& progress = {});

// The dB amount typed for Enhance/Smooth: not empty, a minus sign or a digit
// first, digits after. A lone minus sign reads as 0.
struct EnhanceGainEntry {
    std::optional<UserMessage> refusal; // set when the entry is refused
    int gainDb = 0;
};
EnhanceGainEntry parseEnhanceGain(const std::string& text);

extern const char* const kEnterANumber;          // "Please, enter a number!"
extern const char* const kEnterANumberInRange;   // "Please, enter a number between -18 and 18."
extern const char* const kPitchUnknown;          // "The pitch of the sound is unknown."

struct EnhanceResult {
    EditOutcome outcome = EditOutcome::Unchanged;
    std::optional<UserMessage> refusal;
};

// The command once the gain is read: harmonic n (clamped to 1 .. 32) of each
// channel, gain in dB. Without frames, or with a gain of 0, nothing happens.
// When no channel has a pitch it is refused with kPitchUnknown. A channel
// without a pitch, or whose harmonic lies at or above Nyquist, is left as
// it is; when that leaves no channel to filter nothing happens. Otherwise
// takes the undo snapshot and filters: Changed.
EnhanceResult applyEnhanceSmooth(SampleBuffer& doc, UndoHistory& history, int harmonic, int gainDb,
                                 const ProgressCallback& progress = {});
