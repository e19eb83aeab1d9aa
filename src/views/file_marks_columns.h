#pragma once
// Where the waveform display draws the file's other loops and its cue points,
// and what their tooltips say.
//
// The current loop (the window's, drawn with its crossfade zones) stands for
// marks.windowLoop, which is therefore not drawn again. Every other loop of
// the file gets a thin line at its first frame and one at its last; a cue
// point one line at its frame. Columns are those of waveform_columns.h
// (trunc(p / spp + 0.5)), kept inside 0 .. width - 1.
//
// Loops are named by their place among the file's loops ("Loop 2"), the
// count the Wave properties read-out gives; cue points by their label, or
// "Cue <id>" without one.

#include "document/sampler_marks.h"

#include <cstdint>
#include <string>
#include <vector>

enum class MarkKind {
    LoopStart, // first frame of another loop of the file
    LoopEnd,   // its last frame
    Cue,       // a cue point
};

struct MarkColumn {
    int x = 0;
    MarkKind kind = MarkKind::Cue;
    int32_t frame = 0;
    int index = 0;   // in marks.loops or marks.cues
    std::string tip; // e.g. "Loop 2 (frames 1000–2000, forward)", "Release (cue 3, frame 97000)"
};

// The marks in drawing order: loops in file order (start then end), then the
// cue points.
std::vector<MarkColumn> fileMarkColumns(const FileMarks& marks, double samplesPerPixel, int width);

// The mark nearest column x within `tolerance` columns; null when none is.
const MarkColumn* markNearColumn(const std::vector<MarkColumn>& marks, int x, int tolerance);

// The tooltip texts, also used by messages.
std::string loopTip(const FileMarks& marks, int index);
std::string cueTip(const CuePoint& cue);
