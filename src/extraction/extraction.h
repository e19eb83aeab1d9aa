#pragma once
// Harmonic and inharmonic extraction of a whole sound: the settings the two
// dialogs give, the harmonic list they name, and the comb filter run over
// every channel (extraction/harmonic_comb.h).
//
// Inharmonic extraction removes every harmonic and adds back the listed
// ones: choice 0 "nothing else" (no list), 1 every second harmonic by
// parity, 2 the typed list.
// Harmonic extraction keeps (Extract) or subtracts (Reduce) harmonics:
// choice 0 all of them (pass all except an empty list), 1 every second one
// by parity and 2 the typed list (both: pass listed), 3 all but the typed
// exception list (pass all except listed).
// A parity list has half_band_harmonic_count(rate, lowest pitch) entries.

#include "extraction/harmonic_comb.h"

#include <cstdint>
#include <string>

struct SampleBuffer;

struct ExtractionSettings {
    bool inharmonic = true;
    int operation = 0;      // harmonic: 0 "Extract", 1 "Reduce"
    int choice = 0;         // the radio group: 0 .. 2 (inharmonic), 0 .. 3 (harmonic)
    int parity = 0;         // 0 "even", 1 "odd"
    std::string list;       // edit 1079
    std::string exceptList; // edit 1080 (harmonic choice 3)
    int maskRows = 1;       // 1 .. 10
    bool resample = false;  // optimized resample first (the caller runs it)
};

HarmonicList extraction_harmonic_list(const ExtractionSettings& settings, int32_t sampleRate, double lowestPitchHz);
CombFilterDesign extraction_design(const ExtractionSettings& settings);

// Filters every channel in place with its own pitch and
// k = best_power_of_two_multiple(rate / pitch, 8, 24). A channel whose pitch
// is not positive is left as it is. Progress goes to the display open on
// the calling thread (the FIR engine reports it). No undo snapshot: the
// caller takes it (before any resample).
void apply_extraction(SampleBuffer& doc, const ExtractionSettings& settings);
