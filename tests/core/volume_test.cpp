#include "document/SampleBuffer.h"
#include "document/undo_history.h"
#include "processing/normalize.h"
#include "processing/volume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

SampleBuffer soundOf(std::vector<int16_t> left, std::vector<int16_t> right = {})
{
    SampleBuffer doc;
    doc.sampleCount = static_cast<int32_t>(left.size());
    doc.channels = right.empty() ? 1 : 2;
    doc.sampleRate = 44100;
    doc.bitsPerSample = 16;
    doc.blockAlign = static_cast<int16_t>(2 * doc.channels);
    doc.samples[0] = std::move(left);
    doc.samples[1] = std::move(right);
    return doc;
}

struct ProgressLog {
    std::vector<int> positions;
    int range = -1;
    ChunkProgress callback()
    {
        return [this](int position, int r) {
            positions.push_back(position);
            range = r;
        };
    }
    // 0, 1, 2, ... without gaps.
    bool counts(int n) const
    {
        if (static_cast<int>(positions.size()) != n)
            return false;
        for (int i = 0; i < n; ++i)
            if (positions[static_cast<size_t>(i)] != i)
                return false;
        return true;
    }
};

} // namespace

TEST(Volume, PlusEighteenDbClampsAndRoundsByTruncation)
{
    // 10^(18/20) = 7.9432823...: 100 * 7.943 + 0.5 = 794.8 -> 794.
    SampleBuffer doc = soundOf({30000, -30000, 100, 0});
    UndoHistory history;
    ASSERT_EQ(applyVolume(doc, history, gain_from_db(18.0)), EditOutcome::Changed);
    EXPECT_EQ(doc.samples[0], (std::vector<int16_t>{32767, -32768, 794, 0}));
}

TEST(Volume, NegativeProductsTruncateTowardZeroAfterAddingAHalf)
{
    EXPECT_EQ(volume_sample(-37, 0.1), -3);  // -3.7 + 0.5 = -3.2
    EXPECT_EQ(volume_sample(37, 0.1), 4);    //  3.7 + 0.5 =  4.2
    EXPECT_EQ(volume_sample(-1, 0.4), 0);    // -0.4 + 0.5 =  0.1
    EXPECT_EQ(volume_sample(-3, 1.5), -4);   // -4.5 + 0.5 = -4.0
    EXPECT_EQ(volume_sample(-32768, 1e300), -32768);
    EXPECT_EQ(volume_sample(32767, 1e300), 32767);
}

TEST(Volume, ChunkWalkCoversEveryFrame)
{
    // 1000 frames: 128 chunks of 7 (frames 0 .. 895) and a last one of 104.
    for (int k = 0; k < 128; ++k) {
        const FrameSpan span = volume_chunk(1000, k);
        EXPECT_EQ(span.begin, 7 * k);
        EXPECT_EQ(span.end, 7 * k + 7);
    }
    EXPECT_EQ(volume_chunk(1000, 128).begin, 896);
    EXPECT_EQ(volume_chunk(1000, 128).end, 1000);
    // Fewer than 128 frames: every chunk but the last is empty.
    EXPECT_EQ(volume_chunk(5, 127).end, 0);
    EXPECT_EQ(volume_chunk(5, 128).begin, 0);
    EXPECT_EQ(volume_chunk(5, 128).end, 5);

    for (int32_t frames : {1000, 5, 16384, 16511}) {
        SampleBuffer doc = soundOf(std::vector<int16_t>(static_cast<size_t>(frames), 100),
                                   std::vector<int16_t>(static_cast<size_t>(frames), -100));
        UndoHistory history;
        ProgressLog log;
        ASSERT_EQ(applyVolume(doc, history, 2.0, log.callback()), EditOutcome::Changed);
        EXPECT_EQ(doc.samples[0], std::vector<int16_t>(static_cast<size_t>(frames), 200)) << frames;
        // -200 + 0.5 truncates to -199.
        EXPECT_EQ(doc.samples[1], std::vector<int16_t>(static_cast<size_t>(frames), -199)) << frames;
        EXPECT_TRUE(log.counts(2 * 129));
        EXPECT_EQ(log.range, 2 * 129);
    }
}

TEST(Volume, ZeroDbIsASilentNoOp)
{
    EXPECT_EQ(gain_from_db(0.0), 1.0);
    SampleBuffer doc = soundOf({1, -2, 3});
    UndoHistory history;
    ProgressLog log;
    EXPECT_EQ(applyVolume(doc, history, gain_from_db(0.0), log.callback()), EditOutcome::Unchanged);
    EXPECT_EQ(doc.samples[0], (std::vector<int16_t>{1, -2, 3}));
    EXPECT_EQ(history.state(), UndoHistory::State::Empty);
    EXPECT_TRUE(log.positions.empty());
}

TEST(Volume, RefusesWhatItCannotProcess)
{
    UndoHistory history;
    SampleBuffer none;
    EXPECT_EQ(applyVolume(none, history, 2.0), EditOutcome::Unchanged);
    SampleBuffer doc = soundOf({1, 2, 3});
    EXPECT_EQ(applyVolume(doc, history, std::nan(""), {}), EditOutcome::Unchanged);
    EXPECT_EQ(applyVolume(doc, history, -1.0), EditOutcome::Unchanged);
    doc.sampleCount = 10; // arrays shorter than the frame count
    EXPECT_EQ(applyVolume(doc, history, 2.0), EditOutcome::Unchanged);
    EXPECT_EQ(history.state(), UndoHistory::State::Empty);
}

TEST(Volume, LevelsAndGainsConvert)
{
    EXPECT_NEAR(gain_from_db(-6.0), 0.501187233627272, 1e-14);
    EXPECT_NEAR(db_from_gain(2.0), 6.020599913279624, 1e-12);
    EXPECT_NEAR(db_from_gain(gain_from_db(-4.5)), -4.5, 1e-12);
}

TEST(Normalize, ZeroDbOfA16384PeakReachesExactly32767)
{
    SampleBuffer doc = soundOf({16384, -8192, 100, 3, -1});
    UndoHistory history;
    const NormalizeResult r = applyNormalize(doc, history, 1.0);
    EXPECT_EQ(r.outcome, EditOutcome::Changed);
    EXPECT_EQ(r.peak, 16384);
    // trunc(s * 32767 / 16384), worked out in integers (C++ division
    // truncates toward zero).
    std::vector<int16_t> expected;
    for (int s : {16384, -8192, 100, 3, -1})
        expected.push_back(static_cast<int16_t>(s * 32767 / 16384));
    EXPECT_EQ(doc.samples[0], expected);
    EXPECT_EQ(doc.samples[0][0], 32767);
    EXPECT_EQ(doc.samples[0][1], -16383);
}

TEST(Normalize, MinusFullScaleCountsAs32768)
{
    SampleBuffer doc = soundOf({-32768, 16384, 32767});
    UndoHistory history;
    const NormalizeResult r = applyNormalize(doc, history, 1.0);
    EXPECT_EQ(r.peak, 32768);
    EXPECT_EQ(r.outcome, EditOutcome::Changed);
    EXPECT_EQ(doc.samples[0], (std::vector<int16_t>{-32767, 16383, 32766}));
}

TEST(Normalize, FactorOneStopsAfterThePeakPassKeepingTheSnapshot)
{
    SampleBuffer doc = soundOf({32767, -5, 7}, {1, 2, 3});
    UndoHistory history;
    ProgressLog log;
    const NormalizeResult r = applyNormalize(doc, history, 1.0, log.callback());
    EXPECT_EQ(r.outcome, EditOutcome::Unchanged);
    EXPECT_TRUE(r.snapshotTaken);
    EXPECT_EQ(r.factor, 1.0);
    EXPECT_TRUE(history.undoAvailable());
    EXPECT_TRUE(log.counts(2 * 129)); // the peak pass only
    EXPECT_EQ(log.range, 4 * 129);
    EXPECT_EQ(doc.samples[0], (std::vector<int16_t>{32767, -5, 7}));
}

TEST(Normalize, StereoSharesOnePeak)
{
    std::vector<int16_t> left(3000), right(3000);
    for (size_t i = 0; i < left.size(); ++i) {
        left[i] = static_cast<int16_t>((i % 41) * 250 - 5000);    // peak 5000 .. 10000
        right[i] = static_cast<int16_t>(-((i % 21) * 1000));      // peak 20000
    }
    left[10] = 10000;
    SampleBuffer doc = soundOf(left, right);
    UndoHistory history;
    ProgressLog log;
    const double level = std::pow(10.0, -6.0 / 20.0);
    const NormalizeResult r = applyNormalize(doc, history, level, log.callback());
    ASSERT_EQ(r.outcome, EditOutcome::Changed);
    EXPECT_EQ(r.peak, 20000);
    EXPECT_TRUE(log.counts(4 * 129));

    const double factor = level * 32767.0 / 20000.0; // about 0.821
    for (size_t i = 0; i < left.size(); ++i) {
        ASSERT_EQ(doc.samples[0][i], static_cast<int16_t>(std::trunc(left[i] * factor))) << i;
        ASSERT_EQ(doc.samples[1][i], static_cast<int16_t>(std::trunc(right[i] * factor))) << i;
    }
    EXPECT_EQ(doc.samples[0][10], 8211);   // 10000 * 0.82116: balance kept
    EXPECT_EQ(doc.samples[1][20], -16422); // the peak reaches the -6 dB target
}

TEST(Normalize, SilenceStaysSilentAndCompletes)
{
    SampleBuffer doc = soundOf(std::vector<int16_t>(500, 0));
    UndoHistory history;
    ProgressLog log;
    const NormalizeResult r = applyNormalize(doc, history, 1.0, log.callback());
    EXPECT_EQ(r.outcome, EditOutcome::Changed);
    EXPECT_EQ(r.peak, 0);
    EXPECT_TRUE(std::isinf(r.factor));
    EXPECT_EQ(doc.samples[0], std::vector<int16_t>(500, 0));
    EXPECT_TRUE(log.counts(2 * 129));
    EXPECT_TRUE(history.undoAvailable());
}

TEST(Normalize, WithoutASoundTakesNoSnapshot)
{
    SampleBuffer none;
    UndoHistory history;
    const NormalizeResult r = applyNormalize(none, history, 1.0);
    EXPECT_FALSE(r.snapshotTaken);
    EXPECT_EQ(history.state(), UndoHistory::State::Empty);
}
