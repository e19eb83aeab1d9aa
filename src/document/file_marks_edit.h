#pragma once
// The window's edits of the marks a file carries besides its current loop
// (document/sampler_marks.h): keeping the current loop as one more loop of
// the file, removing the loop under the cursor, and placing a cue point (a
// release marker) at the selection's start.
//
// Each edit comes as a check and the edit itself: the window asks the check
// first, shows its message and stops when there is one, else takes the undo
// snapshot and runs the edit, which cannot then fail. Positions are frames
// (0 .. sampleCount - 1). The cursor is the selection's start, where the last
// click on the waveform landed.

#include "platform/message.h"

#include <cstdint>
#include <optional>
#include <string>

struct SampleBuffer;

// Refused without a loop in the selected slot ("There must be a loop
// selected."), and when the file already has a loop over the same frames
// besides the one the current loop stands for.
std::optional<UserMessage> checkKeepCurrentLoop(const SampleBuffer& doc);
// Appends the current loop (frames loopStart + 1 .. loopEnd, forward or
// alternate as the loop type says) to the file's loops. The current loop
// still stands for the loop it came from; a save writes both.
void keepCurrentLoop(SampleBuffer& doc);

// The file's loop under `frame` (first frame <= frame <= last frame), other
// than the one the current loop stands for; the shortest when several
// overlap there, the later in the file among equals. -1 when there is none.
int fileLoopAt(const SampleBuffer& doc, int32_t frame);
std::optional<UserMessage> checkRemoveLoopAt(const SampleBuffer& doc, int32_t frame);
void removeLoopAt(SampleBuffer& doc, int32_t frame);

// Refused outside the sound and where a cue point is already.
std::optional<UserMessage> checkPlaceCue(const SampleBuffer& doc, int32_t frame);
// A new cue point at `frame`, without a label, its id one above every id the
// file's cue points and loop records use.
void placeCue(SampleBuffer& doc, int32_t frame);

// The Wave properties read-out's mention of the marks, e.g. "3 loops, 2
// cues" (the current loop counted among the loops); empty while the file
// carries nothing but the current loop.
std::string fileMarksSummary(const SampleBuffer& doc);
