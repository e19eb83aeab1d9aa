#pragma once
// Every loop and cue point a file carries, and how they follow the sound when
// an edit moves or rescales its frames.
//
// Positions are frames of the sound as it now stands (0 .. sampleCount - 1).
// A file loop covers frames start .. end inclusive, as the sampler chunk
// stores them; the window's slot convention is loopStart = start - 1,
// loopEnd = end. A cue point marks one frame.
//
// The window shows one loop at a time. The loop its slot 0 was read from is
// marks.windowLoop; a save writes the window's selected loop in that loop's
// place (keeping its cue id, fraction and play count) and every other loop
// as it stands. Without a windowLoop the window's loop goes first.
//
// Following an edit (each returns what it had to drop, for one warning):
// - Rescale from rate `from` to rate `to` (resample, pitch shift): a position
//   p goes to the frame nearest its exact place p * to / from, halves upward,
//   computed exactly: floor((2 p to + from) / (2 from)). An end is then kept
//   below the new length; a loop left with end < start, or a cue past the
//   end, is dropped.
// - Cut to `frames` frames (cut after the loop): loops that end at or past
//   the cut, and cues at or past it, are dropped; the others stay put.
// - Unroll an alternate window loop (s, e) into a forward loop of 2 L frames,
//   L = e - s: marks inside 0 .. e stay; the unrolled file ends at frame
//   2 e - s with the loop's backward half in place of what followed e, so
//   marks after e, and loops reaching past it, are dropped.
// The window loop itself is never reported: the window's loop replaces it.
//
// Loops are named in messages by their 1-based place in the file's sampler
// chunk (`number`), cues by their id.

#include "platform/message.h"

#include <cstdint>
#include <string>
#include <vector>

enum class FileLoopType : uint32_t { Forward = 0, Alternate = 1, Backward = 2 };

struct FileLoop {
    uint32_t cueId = 0;     // the cue point the record names (0: none)
    uint32_t type = 0;      // FileLoopType; other values are not kept on load
    int32_t start = 0;      // first frame of the loop
    int32_t end = 0;        // last frame of the loop, inclusive
    uint32_t fraction = 0;  // the fraction of a sample at the end, as stored
    uint32_t playCount = 0; // 0: endless
    int32_t number = 0;     // 1-based place in the file's chunk (0: made in the program)
};

// The sampler chunk's own fields, written back as read (the sample period and
// the unity note are rewritten from the sound when saved).
struct SamplerFields {
    bool present = false; // the file had a sampler chunk
    uint32_t manufacturer = 0;
    uint32_t product = 0;
    uint32_t samplePeriod = 0; // ns
    uint32_t unityNote = 60;
    uint32_t pitchFraction = 0;
    uint32_t smpteFormat = 0;
    uint32_t smpteOffset = 0;
    std::vector<uint8_t> samplerData; // the sampler-specific bytes after the loop records
};

struct CuePoint {
    uint32_t id = 0;
    int32_t position = 0;    // the frame it marks
    uint32_t playOrder = 0;  // the record's "position" field (play order), as stored
    bool hasLabel = false;   // a labl entry of LIST/adtl names it
    std::string label;       // that entry's text, without its terminating zero
};

// Any other entry of the LIST/adtl chunk (note, ltxt): kept while its cue is.
struct CueNote {
    char id[4] = {0, 0, 0, 0};
    uint32_t cueId = 0;
    std::vector<uint8_t> body; // the entry's bytes after the cue id, pad excluded
};

struct FileMarks {
    SamplerFields sampler;
    std::vector<FileLoop> loops; // in the chunk's order
    int32_t windowLoop = -1;     // index in loops of the window's slot-0 loop; -1: none
    std::vector<CuePoint> cues;  // in the cue chunk's order
    std::vector<CueNote> cueNotes;

    bool empty() const { return loops.empty() && cues.empty() && cueNotes.empty() && !sampler.present; }
    // Loops other than the window loop.
    int32_t extraLoopCount() const;
    void clear() { *this = FileMarks{}; }
};

// What an edit or a save could not carry, as it was before.
struct DroppedMarks {
    std::vector<FileLoop> loops;
    std::vector<CuePoint> cues;

    bool empty() const { return loops.empty() && cues.empty(); }
    void append(const DroppedMarks& other);
};

// The nearest frame to p * to / from (halves upward), exact for every 32-bit p and rate.
int32_t rescaledFrame(int32_t p, int32_t from, int32_t to);

DroppedMarks rescaleMarks(FileMarks& marks, int32_t fromRate, int32_t toRate, int32_t newFrames);
DroppedMarks cutMarks(FileMarks& marks, int32_t frames);
// loopStart / loopEnd in the slot convention (s, e).
DroppedMarks unrollMarks(FileMarks& marks, int32_t loopStart, int32_t loopEnd);
// Drops every loop and cue that does not lie inside 0 .. frames - 1 (a loop
// needs start <= end): an edit whose frames no longer match positions
// one to one, or a file whose marks point outside its sound.
DroppedMarks keepMarksInside(FileMarks& marks, int32_t frames);

// Puts the window's loop (s, e) of the given kind into marks as the window
// loop: in place of marks.windowLoop, or first when there is none. Without a
// loop (e <= 0) the window loop is removed. `type` is the type to write.
void placeWindowLoop(FileMarks& marks, bool hasLoop, int32_t loopStart, int32_t loopEnd, uint32_t type);

// The one warning naming what was dropped, e.g. "Loop 2 (frames 88200–96000)
// and cue 3 “Release” (frame 97000) were not kept: the saved sound ends at
// frame 88199 (cut after the loop)." `cause` is the clause after the colon.
// Empty text when nothing was dropped.
UserMessage droppedMarksMessage(const DroppedMarks& dropped, const std::string& cause);
// The list alone ("Loop 2 (frames 88200–96000) and cue 3 “Release” (frame
// 97000)"), for questions that mention it.
std::string droppedMarksList(const DroppedMarks& dropped);
