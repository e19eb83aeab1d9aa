#pragma once
// The command line of ringtide-cli: commands, options and their help texts.
// Parsing only checks the form and ranges of values; whatever depends on a
// file (a selection past its end, a solution the search did not find) is
// judged per file by the commands.

#include "loop/crossfade.h"
#include "loop/loop_search.h"

#include <cstdint>
#include <string>
#include <vector>

enum class CliCommand { None, Info, Search, Loop, Check, Convert };

// One end of --select: frames, or a share of the sound in percent.
struct SelectionBound {
    double value = 0.0;
    bool percent = false;

    // Frames of a sound of `frames` frames: the value itself, or
    // trunc(value * 0.01 * frames + 0.5) for a share.
    int32_t resolve(int32_t frames) const;
};

struct CliOptions {
    CliCommand command = CliCommand::None;
    bool help = false;                  // --help given (for the tool or the command)
    std::vector<std::string> files;     // as given, then each --files-from list in its place
    std::string output;                 // -o

    // The search: the sustain found by the tool (--select auto) unless a
    // selection is given; then the window's start values 50 %, 100 %,
    // forward. selectStart/selectEnd hold a given selection.
    bool selectAuto = true;
    SelectionBound selectStart{0.0, false};
    SelectionBound selectEnd{100.0, true};
    int minPercent = 50;
    int maxPercent = 100;
    LoopType loopType = LoopType::Forward;

    // The loop and the save, with the window's start values.
    int solution = 1;                   // 1-based entry of the solutions list
    int32_t crossfadeMs = 0;            // slider 0 .. 10000 ms
    CrossfadeKind crossfadeKind = CrossfadeKind::Linear;
    int32_t passes = 1;                 // 1 .. 4
    int note = -1;                      // MIDI note 0..127; -1 keeps the detected one
    bool tune = true;
    bool cut = true;
    bool unroll = true;                 // simulate an alternate loop by a forward loop
    int jobs = 0;                       // files at once; 0 = one per core
    bool inPlace = false;               // an output may replace its own input

    // convert: the new rate (0 keeps each file's own) and sample format
    // (bits 0 keeps it; 32 with floatSamples is IEEE float).
    int32_t rate = 0;
    int16_t bits = 0;
    bool floatSamples = false;
};

struct ParseOutcome {
    bool ok = false;
    std::string error; // one line: why the command line was refused
    CliOptions options;
};

ParseOutcome parseArguments(int argc, const char* const* argv);

// The tool's help (command None) or one command's.
std::string helpText(CliCommand command);
std::string commandName(CliCommand command);
