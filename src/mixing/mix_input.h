#pragma once
// The two sounds of New by FFT mixing: the mixing dialog's own WAV reader and
// the analysis of each sound (pitch, MIDI note, harmonic profile).
//
// Analysis frame: N = 16384 samples, halved while N + start >= frames, from
// start = frames / 3; each channel is Kaiser-windowed (beta 10) and
// transformed, and its fundamental S (a fractional bin) found by
// detect_pitch. Bin b stands for b * rate / N Hz.
//
// Harmonic profile: harmonic k (1-based) of a channel is the largest
// magnitude v in bins c - w .. c + w (kept below N/2), c = trunc(k S + 0.5),
// w = trunc(S / 6), for k = 1, 2, ... while k S < N/2. Its level is
// 20 log10(v / ((N / 16384) * 3200)) dB, or -100 dB at or below the noise
// floor (N / 16384) * 0.032.

#include "platform/message.h"

#include <cstdint>
#include <string>
#include <vector>

// The shortest sound the mixing works on: the tuning measure compares
// windows of a few periods across the middle third of the sound.
constexpr int32_t kMinMixFrames = 1400;

struct HarmonicProfile {
    std::vector<double> levels; // dB of harmonics 1 .. count (levels[0] is the fundamental)
    int count() const { return static_cast<int>(levels.size()); }
};

struct MixInput {
    std::string path;
    std::string name; // file name without folder
    int16_t channels = 0;      // 1 or 2; 0: nothing loaded
    int16_t bitsPerSample = 0; // 8 or 16
    int16_t blockAlign = 0;
    int32_t sampleRate = 0;
    int32_t frameCount = 0;
    std::vector<int16_t> samples[2]; // frameCount values per channel; 8-bit widened as (v - 128) * 256

    // Filled by analyseMixInput.
    double fundamentalBin[2] = {0.0, 0.0}; // S per channel
    double channelPitch[2] = {0.0, 0.0};   // Hz per channel
    double pitchHz = 0.0;                  // channel 0's (mono) or the geometric mean of both
    int16_t midiNote = -1;                 // -1: not analysed yet
    HarmonicProfile profile[2];
    int fftSize = 0;            // N of the analysis frame
    int32_t analysisStart = 0;  // frameCount / 3

    bool loaded() const { return channels > 0 && frameCount > 0; }
    bool analysed() const { return loaded() && midiNote >= 0; }
    // A silent sound has no pitch: it cannot be tuned until the user gives it one.
    bool hasPitch() const { return analysed() && pitchHz > 0.0; }
};

struct MixReadResult {
    bool ok = false;
    MixInput input;                    // filled only when ok
    std::vector<UserMessage> messages; // in the order they arise; at most one
};

// Reads a RIFF/WAVE PCM file, mono or stereo, 8 or 16 bits, of at least
// kMinMixFrames frames. With report false only the messages about the kind of
// file and its length are given (the dialog's silent reload at start); the
// others are dropped. Nothing is read outside the file: a data chunk that
// claims more bytes than the file holds yields the whole frames present.
// Refusals, in the order they are checked:
//   cannot open                           path + " could not be opened!"
//   no "RIFF"/"WAVE", no format chunk     "Unhandled kind of file." (always)
//   format tag other than 1               "The file is compress!"
//   channels other than 1 or 2            "A problem happens in reading the file " + path
//   bits other than 8 or 16               "The number of bits must be 8 or 16."
//   block align != channels * bits / 8    "A problem happens in reading the file " + path
//   sample rate 0                         "Unhandled kind of wave file." (always)
//   no data chunk                         "A problem happens in reading the file " + path
//   fewer than 1400 frames                "The number of samples must be at least 1400 ..." (always)
MixReadResult readMixWave(const std::string& path, bool report);

// Analyses `input` in place: frame size and start, per-channel fundamental,
// pitch and profile, the sound's pitch and MIDI note (0 at or below
// 8.175798915 Hz). hintsHz[c] > 0 narrows channel c's pitch search to that
// frequency (the manual pitch choice); 0 searches freely. A silent channel
// gets pitch 0 and an empty profile; a stereo sound with one silent channel
// takes the other channel's pitch.
void analyseMixInput(MixInput& input, const double hintsHz[2]);
