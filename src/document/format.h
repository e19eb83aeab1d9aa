#pragma once
// Number and text formatting shared by every display of the window, and the
// derived values every part computes the same way.

#include <cstdint>
#include <string>

struct SampleBuffer;

// Decimal text of value. With group set and value >= 1000: value / 1000, ".",
// and the remainder as three digits (44100 -> "44.100"); only one separator is
// ever inserted (1234567 -> "1234.567").
std::string formatInteger(int32_t value, bool group = false);

// `digits` significant digits (more than 49 taken as 49). Fixed-point when the
// integer part has 0..digits digits, else d.ddde+XXX; trailing zeros after the
// point are removed but the point stays: 440.0 -> "440.", 0.5 -> "0.5".
std::string formatSignificant(double value, int digits);

// round(frames * 1000 / rate), halves up; 0 when rate is 0.
int32_t durationMs(int32_t frames, int32_t rate);

// "44.100 Hz; 16 bit; Stereo", followed by "; 3 loops, 2 cues" when the
// file carries more than the current loop (fileMarksSummary).
std::string fileInformationText(const SampleBuffer& doc);

// "Ringtide - [title]"
std::string windowTitle(const std::string& fileTitle);

// MIDI note of a frequency: 0 at or below 8.175798915 Hz, else
// trunc(12 * log2(f / 8.175798915) + 0.5).
int midiNoteOf(double hz);
// The same with 31 steps to the octave.
int note31Of(double hz);

// "C-1 (0)" ... "G9 (127)": the entries of the MIDI note selector.
std::string midiNoteName(int note);
