#include "document/undo_history.h"

#include <utility>

UndoSnapshot::UndoSnapshot()
{
    for (int i = 0; i < SolutionTable::kSolutions; ++i)
        loopStart[i] = loopEnd[i] = -1;
}

void UndoHistory::pushUndo(const SampleBuffer& doc)
{
    for (int i = 0; i < SolutionTable::kSolutions; ++i) {
        snap_.loopStart[i] = doc.loops.loopStart[i];
        snap_.loopEnd[i] = doc.loops.loopEnd[i];
    }
    snap_.currentSolution = doc.loops.currentSolution;

    // assign() reuses the snapshot's storage when the length is unchanged,
    // which is the common case of an in-place edit.
    const size_t n = doc.sampleCount > 0 ? static_cast<size_t>(doc.sampleCount) : 0;
    for (int c = 0; c < 2; ++c) {
        if (c < doc.channels && n > 0) {
            const size_t have = doc.samples[c].size() < n ? doc.samples[c].size() : n;
            snap_.samples[c].assign(doc.samples[c].begin(), doc.samples[c].begin() + static_cast<std::ptrdiff_t>(have));
            // A short live array is padded so a later swap never yields an
            // array shorter than sampleCount.
            snap_.samples[c].resize(n, 0);
        } else {
            std::vector<int16_t>().swap(snap_.samples[c]);
        }
        snap_.channelPitch[c] = doc.channelPitch[c];
    }

    snap_.sampleRate = doc.sampleRate;
    snap_.channels = doc.channels;
    snap_.bitsPerSample = doc.bitsPerSample;
    snap_.blockAlign = doc.blockAlign;
    snap_.loopForward = doc.loopForward;
    snap_.fftSizeExp = doc.fftSizeExp;
    snap_.pitchHz = doc.pitchHz;
    snap_.sampleCount = doc.sampleCount;
    snap_.fullRes = doc.fullRes;
    snap_.marks = doc.marks;
    snap_.chunks = doc.chunks;
    snap_.saved = doc.isSaved;
    snap_.filePath = doc.filePath;
    snap_.fileTitle = doc.fileTitle;
    snap_.fileFolder = doc.fileFolder;

    // A snapshot of no sound is no step to go back to.
    undoAvailable_ = doc.sampleCount != 0;
    redoAvailable_ = false;
}

void UndoHistory::swapUndo(SampleBuffer& doc)
{
    for (int i = 0; i < SolutionTable::kSolutions; ++i) {
        std::swap(snap_.loopStart[i], doc.loops.loopStart[i]);
        std::swap(snap_.loopEnd[i], doc.loops.loopEnd[i]);
    }
    std::swap(snap_.currentSolution, doc.loops.currentSolution);

    // Both channels are exchanged whatever the live channel count, because
    // the snapshot may hold a different one.
    for (int c = 0; c < 2; ++c) {
        doc.samples[c].swap(snap_.samples[c]);
        std::swap(snap_.channelPitch[c], doc.channelPitch[c]);
    }

    std::swap(snap_.sampleCount, doc.sampleCount);
    std::swap(snap_.sampleRate, doc.sampleRate);
    std::swap(snap_.channels, doc.channels);
    std::swap(snap_.bitsPerSample, doc.bitsPerSample);
    std::swap(snap_.blockAlign, doc.blockAlign);
    std::swap(snap_.loopForward, doc.loopForward);
    std::swap(snap_.fftSizeExp, doc.fftSizeExp);
    std::swap(snap_.pitchHz, doc.pitchHz);
    std::swap(snap_.fullRes, doc.fullRes);
    std::swap(snap_.marks, doc.marks);
    std::swap(snap_.chunks, doc.chunks);
    std::swap(snap_.saved, doc.isSaved);
    snap_.filePath.swap(doc.filePath);
    snap_.fileTitle.swap(doc.fileTitle);
    snap_.fileFolder.swap(doc.fileFolder);

    doc.ensureWorkingArrays();
}

void UndoHistory::documentSaved(const SampleBuffer& doc)
{
    snap_.saved = false;
    snap_.filePath = doc.filePath;
    snap_.fileTitle = doc.fileTitle;
    snap_.fileFolder = doc.fileFolder;
}

void UndoHistory::clearUndo(const SampleBuffer& doc)
{
    for (int c = 0; c < 2; ++c)
        std::vector<int16_t>().swap(snap_.samples[c]);
    snap_.fullRes.clear();
    snap_.marks.clear();
    snap_.chunks.clear();
    snap_.sampleCount = doc.sampleCount;
    snap_.sampleRate = doc.sampleRate;
    snap_.channels = doc.channels;
    snap_.bitsPerSample = doc.bitsPerSample;
    snap_.blockAlign = doc.blockAlign;
    snap_.saved = false;
    undoAvailable_ = false;
    redoAvailable_ = false;
}

bool UndoHistory::undo(SampleBuffer& doc)
{
    if (!undoAvailable_)
        return false;
    swapUndo(doc);
    undoAvailable_ = false;
    redoAvailable_ = true;
    return true;
}

bool UndoHistory::redo(SampleBuffer& doc)
{
    if (!redoAvailable_)
        return false;
    swapUndo(doc);
    undoAvailable_ = true;
    redoAvailable_ = false;
    return true;
}

UndoHistory::State UndoHistory::state() const
{
    if (undoAvailable_)
        return State::CanUndo;
    if (redoAvailable_)
        return State::CanRedo;
    return State::Empty;
}
