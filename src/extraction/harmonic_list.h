#pragma once
// Harmonic lists: which harmonics a comb filter passes or notches. Harmonic
// numbers count the fundamental as 1; a list keeps its entries in the order
// the user gave them (duplicates included) and never holds an entry below 1.
//
// List text (at most 100 characters in the dialogs):
// - Only the leading run of characters from "0123456789,-" is read; the text
//   ends at the first other character. Leading and trailing ',' and '-' are
//   dropped.
// - Items are separated by ','. An item is a number ("7") or a range "a-b"
//   (both ends included; nothing when b < a). A '-' after a complete range
//   ends it as a ',' would, so "1-3-5" reads as 1, 2, 3, 5.
// - An empty number reads as 0. Numbers saturate at kMaxHarmonic, so a long
//   run of digits neither overflows nor wraps to a negative harmonic.
// - Entries below 1 (from "0", or the empty item of "1,,3") are dropped.

#include <cstdint>
#include <string>
#include <vector>

using HarmonicList = std::vector<int16_t>;

// The largest harmonic number a list can hold.
constexpr int kMaxHarmonic = 32767;

HarmonicList parse_harmonic_list(const std::string& text);

// Every second harmonic, `count` entries: "even" (parity 0) gives 2, 4, 6, ...
// and "odd" (parity 1) gives 1, 3, 5, ..., as the parity combo's texts say.
// Entries past kMaxHarmonic are left out.
HarmonicList parity_harmonic_list(int parity, int32_t count);

// How many entries a parity list gets for a sound whose lowest channel pitch
// is pitchHz: trunc((rate / 2) / pitchHz * 0.5), rate / 2 in whole numbers,
// clamped to 0 .. kMaxHarmonic. 0 when the pitch is not positive.
int32_t half_band_harmonic_count(int32_t sampleRate, double pitchHz);

// The lower of the channels' pitches that are positive (a silent channel has
// pitch 0 and is skipped); 0 when none is.
double lowest_channel_pitch(const double* channelPitch, int channels);
