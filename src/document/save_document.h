#pragma once
// The document side of Save, Save as and every "save changes" Yes answer.
//
// The window owns the name dialog, the title, the wave-properties text, the
// enabling of Save and Search, the view selections and the crossfade slider;
// it calls saveDocument() once doc.filePath, fileTitle and fileFolder name the
// target, then acts on the outcome:
//   - saved == false: show the messages; nothing else changed (the document
//     stays unsaved, its rate and samples are as they were, the old file on
//     disk is untouched).
//   - saved: rewrite the wave-properties text (the rate may be retuned),
//     disable Save; then, when the selected slot held a loop, either reload
//     the written file (reloadNeeded) or set the crossfade slider to 0.
//   - messages may also come with a success (a failed text export).

#include "loop/crossfade.h"
#include "document/sampler_marks.h"
#include "platform/message.h"

#include <cstdint>
#include <string>
#include <vector>

struct SampleBuffer;

// Settings the window holds outside the document.
struct SaveSettings {
    CrossfadeSettings crossfade; // kind, X in samples, passes of the current loop
    bool exportTxt = false;      // hidden "Export txt files" box
    bool tuneCyclic31 = false;   // hidden "Tune Ciclic31" box
};

struct SaveOutcome {
    bool saved = false;                // the file was written and the document updated
    std::vector<UserMessage> messages; // to show, in this order
    bool hadLoop = false;              // the selected slot held a loop when saving
    bool reloadNeeded = false;         // the file holds another sound (cut after the loop, or an
                                       // alternate loop unrolled): reload it
    bool crossfadeCommitted = false;   // loopBody was copied into the samples
    bool rateRetuned = false;          // sampleRate was replaced by the tuned rate
    bool textExported = false;         // the .txt loop line was written
};

// Rebuilds the working loop buffer the chosen writer needs (loopBody or
// pingPong, which playback rebuilds anyway), computes the retuned rate when
// "Tune sample rate" is on and a loop is selected, and writes the file to
// doc.filePath through a temporary file (in the file's own format, from its
// own samples, when the document keeps them: see wide_writer.h). Only once the file is safely in
// place does the document change: sampleRate becomes the written rate, the
// crossfaded loop body is committed into samples (normal writer with a loop)
// and isSaved becomes true. Then, with a loop, the normal writer and
// settings.exportTxt, fileFolder + fileTitle + ".txt" receives the loop line.
// The file is written whole (wav_writer.h): its other chunks in their place,
// every loop and cue point (marksToWrite); a success names in one warning
// the loops and cue points a cut or an unrolled loop left out, and the
// document's marks become what the file now says.
// Failures: "<title>.wav could not be opened!" when the file could not be
// created, "A problem happens in writing the file <title>.wav!" once writing
// had begun.
SaveOutcome saveDocument(SampleBuffer& doc, const SaveSettings& settings);

// What a save would do to the file it replaces besides writing the loop:
// cut the sound after the loop (or, unrolling an alternate loop, replace
// what follows it) and retune the rate. Computed from the document as it
// stands; saveDocument then does exactly this.
struct SaveReshape {
    bool cut = false;
    bool retune = false;
    int32_t framesBefore = 0, framesAfter = 0;
    int32_t rateBefore = 0, rateAfter = 0;
    DroppedMarks dropped; // the file's other loops and cue points that lie past the cut

    bool any() const { return cut || retune; }
};
SaveReshape saveReshape(const SampleBuffer& doc, const SaveSettings& settings);

// The Yes / No question (question icon) asked the first time in a document
// that Save would replace its file with a reshaped version; No writes nothing.
// It names the file's loops and cue points that would lie past the new end.
UserMessage reshapedSaveQuestion(const SampleBuffer& doc, const SaveReshape& reshape);

// The loops and cue points a save writes: the document's marks with the
// window's selected loop in place of the one slot 0 came from (written
// forward when simulated or unrolled, else with its own type), then cut after
// the loop or carried through the unrolling as the save options say
// (sampler_marks.h). `dropped` and `cause` describe what was left out, for
// the warning saveDocument adds after a save.
FileMarks marksToWrite(const SampleBuffer& doc, DroppedMarks& dropped, std::string& cause);

// The text-export path: fileFolder + fileTitle + ".txt" (the folder of
// filePath when fileFolder is empty).
std::string loopTextPath(const SampleBuffer& doc);
