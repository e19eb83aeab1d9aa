#include "document/SampleBuffer.h"
#include "document/undo_history.h"
#include "processing/normalize.h"
#include "processing/volume.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A loaded sound whose sample i of channel c is (i * 7 + c * 1000) % 20000.
SampleBuffer makeSound(int16_t channels, int32_t frames, int16_t bits = 16)
{
    SampleBuffer doc;
    doc.allocate(channels, frames);
    doc.sampleCount = frames;
    doc.sampleRate = 44100;
    doc.channels = channels;
    doc.bitsPerSample = bits;
    doc.blockAlign = static_cast<int16_t>(channels * bits / 8);
    for (int c = 0; c < channels; ++c)
        for (int32_t i = 0; i < frames; ++i)
            doc.samples[c][static_cast<size_t>(i)] = static_cast<int16_t>((i * 7 + c * 1000) % 20000);
    doc.loops.loopStart[0] = 99;
    doc.loops.loopEnd[0] = frames / 2;
    doc.channelPitch[0] = 220.0;
    doc.channelPitch[1] = channels == 2 ? 880.0 : 0.0;
    doc.updatePitchHz();
    return doc;
}

// Stands in for an edit that replaces the arrays (a resample, a mix): the
// same path every command takes, a push and then new contents.
void replaceSound(SampleBuffer& doc, UndoHistory& history, int16_t channels, int32_t frames, int16_t value)
{
    history.pushUndo(doc);
    for (int c = 0; c < 2; ++c)
        doc.samples[c].assign(c < channels ? static_cast<size_t>(frames) : 0, value);
    doc.channels = channels;
    doc.bitsPerSample = 16;
    doc.blockAlign = static_cast<int16_t>(channels * 2);
    doc.sampleCount = frames;
    doc.sampleRate = 22050;
    doc.loops.loopStart[0] = 1;
    doc.loops.loopEnd[0] = frames - 1;
    doc.loops.loopStart[3] = 5;
    doc.loops.loopEnd[3] = 9;
    doc.loops.currentSolution = 3;
    doc.loopForward = false;
    doc.fftSizeExp = 2;
}

} // namespace

TEST(UndoHistory, StartsEmptyAndAPushOfNoSoundOffersNothing)
{
    UndoHistory history;
    EXPECT_EQ(history.state(), UndoHistory::State::Empty);
    SampleBuffer empty;
    history.pushUndo(empty);
    EXPECT_FALSE(history.undoAvailable());
    EXPECT_FALSE(history.redoAvailable());
    EXPECT_FALSE(history.undo(empty));
}

TEST(UndoHistory, UndoTwiceIsImpossibleAndRedoComesBack)
{
    SampleBuffer doc = makeSound(1, 500);
    const std::vector<int16_t> before = doc.samples[0];
    UndoHistory history;
    ASSERT_EQ(applyVolume(doc, history, 2.0), EditOutcome::Changed);
    const std::vector<int16_t> after = doc.samples[0];
    ASSERT_NE(before, after);
    EXPECT_EQ(history.state(), UndoHistory::State::CanUndo);

    ASSERT_TRUE(history.undo(doc));
    EXPECT_EQ(doc.samples[0], before);
    EXPECT_FALSE(history.undoAvailable());
    EXPECT_TRUE(history.redoAvailable());

    EXPECT_FALSE(history.undo(doc));
    EXPECT_EQ(doc.samples[0], before);
    ASSERT_TRUE(history.redo(doc));
    EXPECT_EQ(doc.samples[0], after);
    EXPECT_TRUE(history.undoAvailable());
    EXPECT_FALSE(history.redoAvailable());
    EXPECT_FALSE(history.redo(doc));
}

TEST(UndoHistory, SwapExchangesArraysWithoutCopying)
{
    SampleBuffer doc = makeSound(2, 300);
    UndoHistory history;
    history.pushUndo(doc);
    const int16_t* liveLeft = doc.samples[0].data();
    const int16_t* savedLeft = history.snapshot().samples[0].data();
    ASSERT_NE(liveLeft, savedLeft);
    history.undo(doc);
    EXPECT_EQ(doc.samples[0].data(), savedLeft);
    EXPECT_EQ(history.snapshot().samples[0].data(), liveLeft);
}

TEST(UndoHistory, VolumeUndoNormalizeLeavesTheStateBeforeNormalize)
{
    SampleBuffer doc = makeSound(2, 1000);
    const std::vector<int16_t> original[2] = {doc.samples[0], doc.samples[1]};
    UndoHistory history;
    ASSERT_EQ(applyVolume(doc, history, 0.5), EditOutcome::Changed);
    ASSERT_TRUE(history.undo(doc));
    ASSERT_TRUE(history.redoAvailable());

    ASSERT_EQ(applyNormalize(doc, history, 1.0).outcome, EditOutcome::Changed);
    EXPECT_TRUE(history.undoAvailable());
    EXPECT_FALSE(history.redoAvailable());
    EXPECT_EQ(history.snapshot().samples[0], original[0]);
    EXPECT_EQ(history.snapshot().samples[1], original[1]);

    ASSERT_TRUE(history.undo(doc));
    EXPECT_EQ(doc.samples[0], original[0]);
    EXPECT_EQ(doc.samples[1], original[1]);
}

TEST(UndoHistory, LengthChangeIsUndoneWithItsLoopsAndRedoneWithRoomToWork)
{
    SampleBuffer doc = makeSound(2, 1000);
    const SampleBuffer before = doc;
    UndoHistory history;
    replaceSound(doc, history, 2, 2500, 123);

    ASSERT_TRUE(history.undo(doc));
    EXPECT_EQ(doc.sampleCount, 1000);
    EXPECT_EQ(doc.sampleRate, 44100);
    EXPECT_EQ(doc.samples[0], before.samples[0]);
    EXPECT_EQ(doc.samples[1], before.samples[1]);
    for (int i = 0; i < SolutionTable::kSolutions; ++i) {
        EXPECT_EQ(doc.loops.loopStart[i], before.loops.loopStart[i]) << i;
        EXPECT_EQ(doc.loops.loopEnd[i], before.loops.loopEnd[i]) << i;
    }
    EXPECT_EQ(doc.loops.currentSolution, 0);
    EXPECT_TRUE(doc.loopForward);
    EXPECT_EQ(doc.fftSizeExp, 4);
    EXPECT_DOUBLE_EQ(doc.channelPitch[1], 880.0);
    EXPECT_DOUBLE_EQ(doc.pitchHz, before.pitchHz);

    // Redo brings back the longer sound; the working arrays, which stay with
    // the document, were sized for 1000 frames and must have grown.
    ASSERT_TRUE(history.redo(doc));
    EXPECT_EQ(doc.sampleCount, 2500);
    EXPECT_EQ(doc.loops.currentSolution, 3);
    EXPECT_EQ(doc.loops.loopEnd[3], 9);
    EXPECT_FALSE(doc.loopForward);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(doc.samples[c].size(), 2500u);
        EXPECT_GE(doc.loopBody[c].size(), 2500u);
        EXPECT_GE(doc.pingPong[c].size(), 5000u);
    }
    EXPECT_GE(doc.scratch.size(), 2500u);
}

TEST(UndoHistory, ChannelCountChangeIsUndoneWhole)
{
    SampleBuffer doc = makeSound(1, 800, 8);
    const std::vector<int16_t> monoSamples = doc.samples[0];
    UndoHistory history;
    replaceSound(doc, history, 2, 600, -5);

    ASSERT_TRUE(history.undo(doc));
    EXPECT_EQ(doc.channels, 1);
    EXPECT_EQ(doc.bitsPerSample, 8);
    EXPECT_EQ(doc.blockAlign, 1);
    EXPECT_EQ(doc.sampleCount, 800);
    EXPECT_EQ(doc.samples[0], monoSamples);
    EXPECT_TRUE(doc.samples[1].empty());

    ASSERT_TRUE(history.redo(doc));
    EXPECT_EQ(doc.channels, 2);
    EXPECT_EQ(doc.bitsPerSample, 16);
    EXPECT_EQ(doc.blockAlign, 4);
    ASSERT_EQ(doc.samples[1].size(), 600u);
    EXPECT_EQ(doc.samples[1][599], -5);
    EXPECT_GE(doc.loopBody[1].size(), 600u);
    EXPECT_GE(doc.pingPong[1].size(), 1200u);
}

TEST(UndoHistory, StereoToMonoPushLeavesNoStaleRightChannel)
{
    SampleBuffer doc = makeSound(2, 400);
    UndoHistory history;
    history.pushUndo(doc);
    replaceSound(doc, history, 1, 400, 7); // pushes the stereo sound
    replaceSound(doc, history, 1, 300, 9); // pushes the mono one
    EXPECT_TRUE(history.snapshot().samples[1].empty());
    ASSERT_TRUE(history.undo(doc));
    EXPECT_EQ(doc.channels, 1);
    EXPECT_TRUE(doc.samples[1].empty());
    EXPECT_EQ(doc.samples[0], std::vector<int16_t>(400, 7));
}

TEST(UndoHistory, ClearAfterEditsDisablesBothAndFreesTheSnapshot)
{
    SampleBuffer doc = makeSound(2, 1000);
    UndoHistory history;
    applyVolume(doc, history, 2.0);
    history.undo(doc);
    ASSERT_TRUE(history.redoAvailable());

    SampleBuffer loaded = makeSound(1, 4000);
    loaded.sampleRate = 48000;
    history.clearUndo(loaded);
    EXPECT_EQ(history.state(), UndoHistory::State::Empty);
    EXPECT_FALSE(history.undo(loaded));
    EXPECT_FALSE(history.redo(loaded));
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(history.snapshot().samples[c].capacity(), 0u);
    EXPECT_EQ(history.snapshot().sampleCount, 4000);
    EXPECT_EQ(history.snapshot().sampleRate, 48000);
}
