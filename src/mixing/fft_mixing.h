#pragma once
// New by FFT mixing: two sounds tuned to one destination MIDI note at one
// common rate, added, and their harmonics equalised toward a profile between
// the two.
//
// Tuning. Each sound is taken to be at rate r_i = 2^((dest - note_i) / 12) T_i,
// where T_i = tunedRateForNote(sound i, note_i) is the rate at which the sound
// sounds exactly at its own nearest note; it is then converted from r_i to
// the destination rate D = min(max(r_1, r_2), 48000 (maxRateIndex + 1)), so
// both sound at the destination note at D.
//
// Mix. With g = p / 100 and the delay s frames on the chosen sound,
//   out[t] = trunc(g b[t - s_b] + (1 - g) a[t - s_a]),
// a sample outside a sound counting as 0. A stereo result mixes channel 1 of
// a stereo input, or channel 0 of a mono one.
//
// Equalisation. With h = q / 100 the target profile starts at
// t[0] = (1 - h) L1[0] + h L2[0] and follows the interpolated slopes
// t[k] = t[k-1] + (1 - h) (L1[k] - L1[k-1]) + h (L2[k] - L2[k-1]),
// lowered 6 dB at a time until no harmonic above the first passes -6 dB and
// at most one passes -12 dB. Each of the first m harmonics of the result is
// then moved to its target by peaking filters of at most +-18 dB each
// (bandwidth pitch / 16), the total gain limited to +-G dB.

#include "mixing/mix_input.h"

#include <cstdint>
#include <string>
#include <vector>

struct SampleBuffer;

// The dialog's settings, kept by the main window between openings and stored
// back only when the dialog closes with OK.
struct MixSettings {
    std::string path[2];
    std::string name[2];
    int16_t delayedSound = 0;      // 0: the 1st, 1: the 2nd
    int32_t delayUs = 0;           // 0 .. 99999
    int16_t inharmonicPercent = 50; // p: share of the 2nd sound in the sum
    int16_t harmonicPercent = 50;   // q: share of the 2nd sound's profile in the target
    int16_t equalizeUntil = 16;     // n: harmonics equalised, 0 .. 128
    int16_t maxGainDb = 60;         // G, 0 .. 60
    int16_t lengthRule = 0;         // 0: keep the shorter length, 1: the longer
    int16_t maxRateIndex = 0;       // rate limit 48000 * (index + 1)
};

constexpr double kMidiNoteZeroHz = 8.175798915;

// The sound New makes.
struct MixResult {
    int16_t channels = 0;
    int16_t bitsPerSample = 0;
    int16_t blockAlign = 0;
    int32_t sampleRate = 0; // D
    int32_t frameCount = 0;
    std::vector<int16_t> samples[2];

    bool made() const { return channels > 0 && frameCount > 0; }
};

// One input converted to the destination rate.
struct ResampledInput {
    int16_t channels = 0;
    int32_t frameCount = 0;
    std::vector<int16_t> samples[2];
};

// "C-1 (0)" ... "G9 (127)" at 8.175798915 * 2^(note / 12) Hz.
double noteFrequency(int note);
// The note proposed for a sound of pitchHz when the other sound has
// otherPitchHz (<= 0: none): the note of their geometric mean, else this
// sound's note.
int proposedDestinationNote(double pitchHz, double otherPitchHz);
// "st harmonic", "nd harmonic", "rd harmonic" or "th harmonic" after n.
std::string harmonicOrdinal(int n);
// (100 - v) + " % (of the 1st sound) - " + v + " % (of the 2nd sound)".
std::string mixPercentText(int v);
// trunc(delayUs * 1e-6 * rate + 0.5).
int32_t delayFrames(int32_t delayUs, int32_t rate);
// 48000 * (maxRateIndex + 1).
int32_t maxDestinationRate(int maxRateIndex);

// The rate at which `samples` (recorded at rate, pitch pitchHz) sound at MIDI
// note `note`, measured in the time domain over the middle third:
// 1. P = trunc(rate / pitch + 0.5), T = frames / 3, d0 = trunc(0.95 T).
//    Of the pairs (r, e), r = max(T, 4P) + jP < 2T - d0, r + d0 <= e <= r + T,
//    e < 2T, the one whose windows of 4P samples ending at r and e differ
//    least (sum of squares of x / 32768, the two channels' differences added).
// 2. l = rate / noteFrequency(note). Stepping back from e by about l, each
//    step's end is moved within +-l/4 to where the l samples before it match
//    those before r best, until within l/2 of r; k steps give the rate
//    (e - r) / (l k) * rate.
// Stereo: the geometric mean of the two channels' rates; a channel silent
// over the l samples before r is left out. Rounded to an integer. Every
// window stays inside the sound. When no multiple of the period
// rate / pitch lies between d0 and T (a sound shorter than about 60
// periods), when no window fits, or when both channels are silent, the rate
// is rate * noteFrequency(note) / pitch rounded (or `rate` without a pitch).
int32_t tunedRateForNote(int32_t rate, int32_t frames, int channels, double pitchHz, const int16_t* const samples[2],
                         int note);

// Destination rates of one mix.
struct MixRates {
    int32_t rate[2] = {0, 0}; // r_i: the rate each input is taken to be at
    int32_t destination = 0;  // D
};
// Both inputs must have a pitch.
MixRates planMixRates(const MixInput inputs[2], int destinationNote, int maxRateIndex);

// Converts `input` from fromRate to toRate (resample_sinc over the reduced
// ratio L / M; a plain copy when L == M); trunc(L / M * frames) frames.
void resampleMixInput(const MixInput& input, int32_t fromRate, int32_t toRate, ResampledInput& out);

// The result's format (larger channel count, larger bit depth) and length
// (lengthRule 0: the shorter of the two, 1: the longer) at rate D, and the
// inharmonic mix of the two converted inputs.
void mixInharmonic(const MixInput inputs[2], const ResampledInput converted[2], const MixSettings& settings,
                   int32_t destinationRate, MixResult& result);

// The target profile of h = q / 100 over m harmonics (see above): level[0]
// and slopes of both sounds' profiles.
std::vector<double> targetProfile(const HarmonicProfile& first, const HarmonicProfile& second, double h, int m);

// Equalises result's harmonics toward the target profile (nothing when n or G
// is 0). Each result channel is analysed like an input (N = 16384 halved to
// fit, from frames / 3); a stereo result takes a mono input's channel 0
// profile for its channel 1.
void equalizeHarmonics(MixResult& result, const MixInput inputs[2], const MixSettings& settings);

// Makes `result` the document: no file identity, no loops (current slot 0),
// the result's format, length and samples, the analysis window fitted to the
// length (fftSizeExp from 4 down while 1024 * 2^e + fftStartFraction * frames
// >= frames, at least 0), pitch unknown until analysed, unsaved. Pushes no
// undo snapshot.
void applyMixResult(SampleBuffer& doc, const MixResult& result);
