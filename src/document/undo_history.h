#pragma once
// One-step undo: a single snapshot of the document kept beside the live
// SampleBuffer. Every editing command calls pushUndo() just before it changes
// the sound; Undo and Redo both exchange the live document with the snapshot
// (swapUndo), so Undo brings back the state before the last edit and Redo the
// state after it. A new edit replaces the snapshot; there is no deeper list.
//
// States: Empty (after start and after a load), CanUndo (after a push with a
// sound, or after Redo), CanRedo (after Undo). The window enables its Undo and
// Redo menu items and buttons exactly from undoAvailable() / redoAvailable().
//
// The snapshot also records channels, bitsPerSample and blockAlign and swaps
// them with the arrays, so undoing an edit that changed the channel count
// restores the old sound whole.
//
// Which of the two states is the one on disk travels with it: the snapshot
// keeps the document's isSaved of the moment it was taken, the exchange swaps
// it with the live flag, and a save makes the live state the only saved one
// (documentSaved). So after Undo or Redo the document counts as saved exactly
// when the state brought back is the one last written.

#include "document/SampleBuffer.h"

#include <cstdint>
#include <vector>

// The part of the document that an edit may change and Undo brings back.
// The file identity is recorded too: an edit that replaces the sound with
// another (New by FFT mixing clears the name) is undone to the sound with
// its own name. A save names the whole document, so it renames the snapshot.
// Not recorded: midiNote, detectedNote, note31,
// the working arrays (loopBody, pingPong, scratch), the save options and
// every control setting.
struct UndoSnapshot {
    std::vector<int16_t> samples[2];  // its own arrays; empty for a missing channel
    int32_t loopStart[SolutionTable::kSolutions];
    int32_t loopEnd[SolutionTable::kSolutions];
    int16_t currentSolution = 0;
    int32_t sampleCount = 0;          // also the length of each array in use
    int32_t sampleRate = 0;
    int16_t channels = 0;
    int16_t bitsPerSample = 0;
    int16_t blockAlign = 0;
    int16_t fftSizeExp = 4;
    double channelPitch[2] = {0.0, 0.0};
    double pitchHz = 0.0;
    bool loopForward = true;
    FullResolution fullRes;           // shares the document's bytes
    FileMarks marks;
    RiffChunkList chunks;             // shares the kept chunks' bytes
    std::string filePath, fileTitle, fileFolder;
    bool saved = false;               // this state is the one in the file on disk

    UndoSnapshot();
};

class UndoHistory {
public:
    enum class State { Empty, CanUndo, CanRedo };

    // Takes the snapshot of `doc` before an edit changes it. Undo becomes
    // available when the document has frames; Redo is never available after.
    void pushUndo(const SampleBuffer& doc);

    // Exchanges the live document with the snapshot: sample arrays (vector
    // swap, nothing copied), loop slots 0..9, currentSolution, sampleCount,
    // sampleRate, channels, bitsPerSample, blockAlign, fullRes, channelPitch,
    // pitchHz, loopForward, fftSizeExp, isSaved, the file's marks and chunks and
    // the file identity. The working arrays stay
    // with the document and are grown when the restored sound needs them
    // longer. The availability flags are not touched: undo() and redo() do that.
    void swapUndo(SampleBuffer& doc);

    // A load: frees the snapshot's arrays, records the new sound's frame
    // count, rate and format, and makes both Undo and Redo unavailable.
    void clearUndo(const SampleBuffer& doc);

    // The live document was just written: the snapshot no longer matches the
    // file on disk, and it now carries the name the document was saved under.
    void documentSaved(const SampleBuffer& doc);

    // The Undo and Redo commands. Each returns false and changes nothing when
    // its step is not available; otherwise it swaps and moves the state on.
    // After a true return the window runs its post-swap refresh.
    bool undo(SampleBuffer& doc);
    bool redo(SampleBuffer& doc);

    bool undoAvailable() const { return undoAvailable_; }
    bool redoAvailable() const { return redoAvailable_; }
    State state() const;

    const UndoSnapshot& snapshot() const { return snap_; }

private:
    UndoSnapshot snap_;
    bool undoAvailable_ = false;
    bool redoAvailable_ = false;
};
