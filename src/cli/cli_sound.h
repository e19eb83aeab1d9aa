#pragma once
// What the editor's window does to a file, without the window: the load with
// its pitch detection, the loop search on a selection, and the crossfade
// length the window's slider allows for a chosen loop.

#include "cli/cli_args.h"
#include "cli/json.h"
#include "document/SampleBuffer.h"
#include "loop/loop_check.h"
#include "loop/loop_search.h"
#include "loop/sustain_selection.h"

#include <cstdint>
#include <string>
#include <vector>

// filePath = path; fileTitle = the file name without folder and extension;
// fileFolder = the folder with its trailing '/', empty for a bare name.
void setFileIdentity(SampleBuffer& doc, const std::string& path);

// The path made absolute and normal ("./a/../b.wav" -> "/cwd/b.wav", no
// trailing '/'): what every message of the tool names.
std::string fullPath(const std::string& path);

struct LoadedSound {
    bool loaded = false;
    std::string error;                 // why it was refused, naming the full path where the reader names a file
    std::vector<std::string> warnings; // messages that came with a success
    std::string damage;                // a data chunk cut short: the warning naming the frame counts
    bool pitchFound = false;           // the analysis ran (pitch may still be 0 Hz)
};

// The reader alone: doc holds the file's format, samples and slot-0 loop;
// no pitch is detected (pitchFound stays false).
LoadedSound loadFile(SampleBuffer& doc, const std::string& path);

// As the window at load: the reader fills doc (slot-0 loop, loop type and
// analysis window), then the automatic spectrum analysis (no hints) sets the
// channel pitches and the pitch update sets pitchHz, detectedNote = midiNote
// and note31.
LoadedSound loadLikeWindow(SampleBuffer& doc, const std::string& path);

// The open JSON object's "warning" (`damage`, the cut-short data chunk) and
// "warnings" (every other message of the load), each only when there is one.
void writeLoadWarnings(JsonWriter& json, const std::string& damage, const std::vector<std::string>& warnings);

// The file's stored loop (slot 0) and pitch: "loop_start", "loop_end",
// "loop_type" (null without a loop) and "pitch_hz" (null when no analysis ran).
void writeStoredLoop(JsonWriter& json, const SampleBuffer& doc, const LoadedSound& load);

// Every loop and cue point of the file and its other chunks, as fields of
// the open JSON object:
//   "loops": [{"number", "first_frame", "last_frame" (inclusive), "type"
//             ("forward", "alternate", "backward"), "play_count" (0 endless),
//             "cue_id", "window" (the loop slot 0 holds)}...]
//   "cues":  [{"id", "frame", "label" (null without one)}...]
//   "chunks": [{"id", "size"} and "list_type" for a LIST...]: the chunks kept
//             as bytes, in file order.
void writeFileMarks(JsonWriter& json, const SampleBuffer& doc);

struct SolutionEntry {
    int32_t start = -1; // the sample before the loop
    int32_t end = -1;   // the last sample of the loop
    double score = 0.0; // the score at which the pair was recorded
};

struct SearchRun {
    LoopSearchResult result;
    int32_t selectionStart = 0; // frames, resolved for this sound
    int32_t selectionEnd = 0;
    bool autoSelected = false;            // --select auto: `sustain` says what was chosen
    SustainSelection sustain;
    std::vector<SolutionEntry> solutions; // the list's order: entry 0 first
    std::string error;                    // the refusal's message
    bool ok() const { return error.empty(); }
};

// Runs the search over options' selection (the sustain findSustain gives
// for --select auto), lengths and type, as the Search
// command does, and leaves the run's solutions in doc.loops (entry 0
// selected) and the loop type in doc.loopForward. threadCount as in
// LoopSearchRequest (0: every core).
SearchRun searchLikeWindow(SampleBuffer& doc, const CliOptions& options, int threadCount);

// Largest crossfade in ms the window's slider allows for the loop (s, e):
// min(ms(s - 1), ms(e - s)) for a forward loop, also ms(N - e) for an
// alternate one, with ms(n) = trunc(n * 1000 / rate), capped at 10000 and
// never below 0.
int32_t crossfadeLimitMs(const SampleBuffer& doc, int32_t loopStart, int32_t loopEnd, bool forward);

// The loop check's figures as fields of the open JSON object: value_jump,
// slope_jump, click, crest, mismatch, own_mismatch, periods (null without one), drift_cents (null
// likewise) and verdict.
void writeLoopCheck(JsonWriter& json, const LoopCheck& check);
