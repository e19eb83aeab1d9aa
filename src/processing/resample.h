#pragma once
// Resample, Pitch shift, Change sample rate and Tune: the commands that change
// the relation between the samples, the sample rate and the pitch.
//
// - Resample converts the samples to a new rate: pitch and duration stay.
// - Pitch shift converts them as if the sound were played `ratio` times
//   faster (from rate * ratio to rate): the rate stays, the pitch rises by
//   `ratio` and the sound lasts 1 / ratio as long.
// - Change sample rate and Tune only relabel the rate: the samples stay, the
//   pitch and the duration scale with the rate.
//
// Rates are whole frames per second within kMinSampleRate .. kMaxSampleRate
// (what a WAV file may carry and the reader accepts); a conversion must leave
// at least kMinResampledFrames frames, the shortest sound the program loads.

#include "document/sampler_marks.h"
#include "platform/message.h"

#include <cstdint>
#include <optional>
#include <string>

struct SampleBuffer;

constexpr int32_t kMinSampleRate = 1;
constexpr int32_t kMaxSampleRate = 768000;
constexpr int32_t kMinResampledFrames = 128;

// The rate parser of the rate fields: every "." removed, then the leading run
// of digits read as a decimal number, saturating at the largest 32-bit value
// (a run too long to fit is far out of range, never wrapped into it). An
// empty run or a value of 0 is refused: "44.100", "44100" and "44100 Hz" give
// 44100; "-5", "abc" and "0" give nothing.
std::optional<int32_t> parseSampleRate(const std::string& text);
// The run of digits the parser reads: "44.100 Hz" gives "44100".
std::string sampleRateDigits(const std::string& text);

bool sampleRateInRange(int64_t rate);

// The messages of these commands.
UserMessage positiveNumberMessage();  // "Please enter a positive number."
UserMessage rateOutOfRangeMessage();  // a rate outside 1 .. 768000
UserMessage tooShortMessage();        // a conversion to fewer than 128 frames
UserMessage loopNeededMessage();      // Tune without a loop
UserMessage alreadyTunedMessage(const std::string& fileTitle);

// Frames after converting `frames` from fromRate to toRate: with (L, M) =
// reduce_ratio(toRate, fromRate), trunc(frames * L / M + 0.5).
int32_t resampledFrameCount(int32_t frames, int32_t fromRate, int32_t toRate);

enum class ResampleCheck { Ok, RateOutOfRange, TooShort };
// Whether resampleSound(doc, fromRate, toRate) may run: both rates in range
// and at least kMinResampledFrames frames left.
ResampleCheck checkResample(const SampleBuffer& doc, int32_t fromRate, int32_t toRate);
std::optional<UserMessage> messageFor(ResampleCheck check);

// Converts every channel from fromRate to toRate (resample_sinc) and sets the
// rate to toRate. Sample arrays grow when the sound gets longer and are never
// shrunk; the working arrays grow with them. Loop slots 0 .. 9 scale by
// f = L / M: a start > 0 becomes trunc(f s + 0.5), an end > 0 becomes
// min(frames - 1, trunc(f e + 0.5)). A loop that this leaves empty (end <=
// start) is dropped and the loops after it move up one slot, so that the
// solutions stay consecutive; a current slot that lost its loop becomes the
// first empty one. The file's other loops and cue points (doc.marks) move to
// the nearest frame of their exact place (rescaleMarks); what that leaves
// outside the sound is returned for resampledMarksMessage. Last, the analysis
// window is fitted to the new length: fftSizeExp falls while
// 1024 * 2^e + fftStartFraction * frames >= frames.
// Pushes no undo snapshot. The caller has passed checkResample.
DroppedMarks resampleSound(SampleBuffer& doc, int32_t fromRate, int32_t toRate);
// The warning for what a conversion left out (empty text when nothing).
UserMessage resampledMarksMessage(const DroppedMarks& dropped);
// The same for a sound that keeps its file's own samples (wider than 16
// bits, float, extensible): those are resampled at their own resolution, by
// the same filter over their native values (PCM rounded half away from zero
// and clamped to the format's range, float32 rounded to single precision),
// and the 16-bit image is made from the result. Any other sound is passed to
// resampleSound.
DroppedMarks resampleSoundFullResolution(SampleBuffer& doc, int32_t fromRate, int32_t toRate);

// Pitch shift: the cent ratio 2^(1/1200) raised to 100 * semitones + cents.
double pitchShiftRatio(int semitones, float cents);
// The rate the sound is converted from: trunc(rate * ratio + 0.5).
int64_t pitchShiftSourceRate(int32_t rate, double ratio);

// Change sample rate, sliders to rate: trunc(base * 2^((100 s + c) / 1200) + 0.5).
int64_t transposedRate(int32_t baseRate, int semitones, double cents);
// Rate to sliders: d = 1200 log2(rate / base) cents; semitones =
// trunc(d / 100 + 0.5); the rest d - 100 semitones is brought into -50 .. 50
// by moving a semitone; cents = the rest rounded half away from zero to 0.1.
// Not clamped to the sliders' ranges.
struct Transposition {
    int semitones = 0;
    double cents = 0.0;
};
Transposition transpositionOf(int32_t baseRate, int32_t rate);

// Relabels the sound with newRate: every channel's pitch is scaled by
// newRate / rate and the rate replaced. Samples and loops stay.
void relabelSampleRate(SampleBuffer& doc, int32_t newRate);
