#pragma once
// The sample rate at which the selected loop holds a whole number of periods
// of the target note, so that a sampler playing the file at its written rate
// and unity note sounds that note in tune.
//
// Target: note n = midiNote with step s = 2^(1/12), or, with the 31-step option,
// n = note31 with s = 2^(1/31). The interval x = detectedNote - midiNote
// (semitones) is kept as a just interval with the period ratios
//   T = 1, 15/16, 8/9, 5/6, 4/5, 3/4, 32/45, 2/3, 5/8, 3/5, 4/7, 8/15
//   J(x) = 8 T[x mod 12] / 2^(x div 12)       for x >= 0
//   J(x) = 8 2^(|x| div 12) / T[|x| mod 12]    for x < 0
// Expected period in samples: e = J(x) * rate / (8.175798915 * s^n * 8).
//
// Per channel, periods are counted backwards from the loop end E to the loop
// start A: each step looks around one expected period earlier (+-e/4) for the
// offset c whose e samples before it best match the e samples before A (least
// squared difference of samples / 32768). The channel's rate is
// rate * (E - A) / (e * periods); stereo takes the geometric mean of the two.
// The result is rounded to the nearest integer, halves up.

#include <cstdint>

struct SampleBuffer;

// Just-intonation factor J(x) above (8 for x = 0).
double justIntervalFactor(int32_t semitones);

// Expected period in samples of the target note (e above).
double expectedPeriodSamples(const SampleBuffer& doc, bool cyclic31);

// Rate of one channel v (frames entries) for the loop (A, E) and period e.
// Where a comparison window would reach before sample 0 (a loop starting
// within one period of the beginning) it is shortened to the samples that
// exist, the same length for every candidate of one step.
double channelTunedRate(const int16_t* v, int32_t frames, int32_t loopStart,
                        int32_t loopEnd, double periodSamples, int32_t sampleRate);

// The retuned rate for the selected slot's loop; the current sampleRate when
// the slot holds no valid loop. cyclic31: the hidden "Tune Ciclic31" box.
int32_t tunedSampleRate(const SampleBuffer& doc, bool cyclic31 = false);
