#include "playback/PlaybackEngine.h"
#include "platform/null_audio_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// Rate 2000 Hz: a chunk of 1000 samples, a ring of 4000, so a test runs many
// ring wraps in little time. The manual device renders blocks of 64 frames.
constexpr int32_t kRate = 2000;
constexpr int32_t kChunk = 1000;
constexpr int32_t kRing = 4000;
constexpr uint32_t kStep = 250; // frames between two polls: well inside a chunk

int16_t pattern(int channel, int64_t k, int salt)
{
    // Distinct values per channel, array and position (never a run of zeros).
    return static_cast<int16_t>(((k * (37 + 2 * channel) + salt * 1009 + channel * 7919) % 60001) - 30000);
}

struct Rig {
    // Declared before the engine: its destructor may still call back into them.
    SampleBuffer sound;
    std::vector<int32_t> ended;
    std::vector<int32_t> cursor;
    NullAudioDevice* device = nullptr;
    PlaybackEngine engine;

    explicit Rig(int16_t channels, int32_t frames, int32_t loopStart = -1, int32_t loopEnd = -1)
    {
        sound.allocate(channels, frames);
        sound.sampleCount = frames;
        sound.sampleRate = kRate;
        sound.channels = channels;
        for (int ch = 0; ch < channels; ++ch) {
            for (int32_t k = 0; k < frames; ++k)
                sound.samples[ch][k] = pattern(ch, k, 1);
            // The loop buffers are filled by hand with their own material, so
            // the output shows which array was read.
            for (size_t k = 0; k < sound.loopBody[ch].size(); ++k)
                sound.loopBody[ch][k] = pattern(ch, static_cast<int64_t>(k), 2);
            for (size_t k = 0; k < sound.pingPong[ch].size(); ++k)
                sound.pingPong[ch][k] = pattern(ch, static_cast<int64_t>(k), 3);
        }
        for (int32_t k = 0; k < frames; ++k)
            sound.scratch[k] = pattern(0, k, 4);
        sound.loops.loopStart[0] = loopStart;
        sound.loops.loopEnd[0] = loopEnd;
        sound.loops.currentSolution = 0;

        auto owned = std::make_unique<NullAudioDevice>(NullAudioDevice::Clock::Manual);
        device = owned.get();
        EXPECT_TRUE(engine.initDevice(std::move(owned)));
        EXPECT_FALSE(engine.hasSoundCard());
        engine.setWorkerMode(PlaybackEngine::WorkerMode::Manual);
        engine.setSound(&sound);
        engine.setEndCallback([this](int32_t mode) { ended.push_back(mode); });
        engine.setCursorCallback([this](int64_t, int32_t position) { cursor.push_back(position); });
        for (int ch = 0; ch < 2; ++ch)
            EXPECT_TRUE(engine.createChannelBuffer(kRate, PlaybackEngine::ringSamplesFor(kRate), ch));
        device->setRecording(true);
    }

    // Plays `frames` output frames, polling between steps as the worker does.
    void run(int64_t frames)
    {
        for (int64_t done = 0; done < frames; done += kStep) {
            device->advance(kStep);
            engine.pollOnce();
        }
    }

    // The recorded output of one side as 16-bit samples.
    std::vector<int16_t> side(const std::vector<float>& stereo, int which) const
    {
        std::vector<int16_t> out(stereo.size() / 2);
        for (size_t f = 0; f < out.size(); ++f)
            out[f] = static_cast<int16_t>(std::lround(stereo[2 * f + which] * 32768.0f));
        return out;
    }
};

// What channel ch should deliver at output sample f: worked out from the
// source table directly, independently of the refill arithmetic.
int16_t expected(const Rig& rig, int32_t mode, int ch, int64_t f, const PlaybackSource* extra)
{
    const SampleBuffer& s = rig.sound;
    const int64_t n = s.sampleCount;
    const int64_t ls = s.loops.loopStart[0];
    const int64_t l = s.loops.loopEnd[0] - ls;
    switch (mode) {
    case PlayOneShot:
        return f < n ? s.samples[ch][f] : 0;
    case PlayHarmonic:
        return f < n ? s.scratch[f] : 0;
    case PlayLoopForward:
        return s.loopBody[ch][f % l];
    case PlayLoopAlternate:
        return s.pingPong[ch][f % (2 * l)];
    case PlaySampleLoopForward:
        return f <= ls ? s.samples[ch][f] : s.loopBody[ch][(f - ls - 1) % l];
    case PlaySampleLoopAlternate:
        return f <= ls ? s.samples[ch][f] : s.pingPong[ch][(f - ls - 1) % (2 * l)];
    default:
        return f < extra->length ? extra->samples[ch][f] : 0;
    }
}

void expectDelivered(Rig& rig, int32_t mode, int channels, int64_t frames, const PlaybackSource* extra = nullptr)
{
    const std::vector<float> out = rig.device->takeRecording();
    ASSERT_GE(out.size(), 2 * static_cast<size_t>(frames));
    const std::vector<int16_t> left = rig.side(out, 0);
    const std::vector<int16_t> right = rig.side(out, 1);
    for (int64_t f = 0; f < frames; ++f) {
        if (channels == 1) {
            // Centred: the one channel on both sides.
            const int16_t want = expected(rig, mode, 0, f, extra);
            ASSERT_EQ(left[f], want) << "mode " << mode << " frame " << f;
            ASSERT_EQ(right[f], want) << "mode " << mode << " frame " << f;
        } else {
            // Hard left and right: each side carries one channel only.
            ASSERT_EQ(left[f], expected(rig, mode, 0, f, extra)) << "mode " << mode << " frame " << f;
            ASSERT_EQ(right[f], expected(rig, mode, 1, f, extra)) << "mode " << mode << " frame " << f;
        }
    }
}

} // namespace

class LoopModes : public testing::TestWithParam<std::tuple<int32_t, int16_t>> {};

TEST_P(LoopModes, DeliverTheSourceSampleForSampleAcrossManyRingWraps)
{
    const auto [mode, channels] = GetParam();
    // Loop 1201 .. 2900 (L = 1700: not a divisor of the chunk or the ring).
    Rig rig(channels, 6000, 1200, 2900);
    ASSERT_EQ(rig.engine.startPlayback(mode, true), PlaybackEngine::StartResult::Started);
    EXPECT_EQ(rig.engine.streamPhase.load(), 2);
    EXPECT_EQ(rig.engine.chunkSamples(), kChunk);
    const int64_t frames = 20 * kRing;
    rig.run(frames);
    EXPECT_EQ(rig.engine.playMode.load(), mode); // loops play until stopped
    expectDelivered(rig, mode, channels, frames);
    EXPECT_TRUE(rig.ended.empty());
    rig.engine.stopPlayback();
    EXPECT_EQ(rig.engine.playMode.load(), PlayIdle);
    EXPECT_EQ(rig.engine.streamPhase.load(), 0);
    EXPECT_FALSE(rig.device->isPlaying(0));
    EXPECT_EQ(rig.cursor.back(), -1); // erased at the end
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, LoopModes,
                         testing::Combine(testing::Values(PlayLoopForward, PlayLoopAlternate,
                                                          PlaySampleLoopForward, PlaySampleLoopAlternate),
                                          testing::Values(int16_t(1), int16_t(2))));

class OneShotModes : public testing::TestWithParam<std::tuple<int32_t, int16_t>> {};

TEST_P(OneShotModes, DeliverTheSourceThenSilenceAndReportTheEnd)
{
    const auto [mode, channels] = GetParam();
    const int32_t n = 9 * kRing + 321; // ends inside a chunk after nine wraps
    Rig rig(channels, n);
    std::vector<int16_t> extra[2];
    PlaybackSource source;
    if (mode >= PlayCutBoostPreview) {
        source.channels = channels;
        source.length = n - 1000;
        for (int ch = 0; ch < channels; ++ch) {
            extra[ch].resize(static_cast<size_t>(source.length));
            for (int32_t k = 0; k < source.length; ++k)
                extra[ch][k] = pattern(ch, k, 5 + mode);
            source.samples[ch] = extra[ch].data();
        }
        ASSERT_TRUE(rig.engine.setModeSource(mode, source));
    }
    const int32_t length = mode >= PlayCutBoostPreview ? source.length : n;
    const int played = mode == PlayHarmonic ? 1 : channels;
    ASSERT_EQ(rig.engine.startPlayback(mode, false), PlaybackEngine::StartResult::Started);
    EXPECT_EQ(rig.engine.channelCount(), played);
    rig.run(length + 3 * kChunk);
    ASSERT_EQ(rig.ended.size(), 1u);
    EXPECT_EQ(rig.ended[0], mode);
    EXPECT_EQ(rig.engine.playMode.load(), PlayIdle);
    EXPECT_EQ(rig.engine.streamPhase.load(), 0);
    EXPECT_FALSE(rig.device->isPlaying(0));
    EXPECT_TRUE(rig.cursor.empty()); // no cursor was asked for
    // Everything up to the end, and the silence that followed it.
    expectDelivered(rig, mode, played, length + kStep, &source);
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, OneShotModes,
                         testing::Combine(testing::Values(PlayOneShot, PlayHarmonic, PlayCutBoostPreview,
                                                          PlayMixSourceA, PlayMixSourceB, PlayMixResult),
                                          testing::Values(int16_t(1), int16_t(2))));

TEST(PlaybackEngine, PlaySampleRunsIntoTheLoopBufferAfterLoopStart)
{
    Rig rig(1, 5000, 1234, 1240); // loop 1235 .. 1240, L = 6
    ASSERT_EQ(rig.engine.startPlayback(PlaySampleLoopForward, true), PlaybackEngine::StartResult::Started);
    // The first chunk: samples 0 .. 999 of the sound.
    EXPECT_EQ(rig.engine.readPosition(0), kChunk);
    rig.run(3000);
    const std::vector<int16_t> out = rig.side(rig.device->takeRecording(), 0);
    for (int f = 0; f <= 1234; ++f)
        ASSERT_EQ(out[f], rig.sound.samples[0][f]) << f;
    for (int f = 1235; f < 3000; ++f)
        ASSERT_EQ(out[f], rig.sound.loopBody[0][(f - 1235) % 6]) << f;
    // The cursor went through the sound, then round the loop.
    ASSERT_FALSE(rig.cursor.empty());
    EXPECT_EQ(rig.cursor.front(), 0);
    for (int32_t p : rig.cursor)
        EXPECT_TRUE(p >= 0 && p <= 1240);
}

TEST(PlaybackEngine, LoopShorterThanAChunkRepeatsWithinOneRefill)
{
    Rig rig(2, 3000, 99, 106); // L = 7
    ASSERT_EQ(rig.engine.startPlayback(PlayLoopForward, false), PlaybackEngine::StartResult::Started);
    // One refill (the start's) fills a whole chunk: 1000 samples, 142 loops and more.
    EXPECT_EQ(rig.engine.readPosition(0), kChunk);
    EXPECT_EQ(rig.engine.readPosition(1), kChunk);
    EXPECT_EQ(rig.engine.writePosition(0), kChunk);
    rig.run(2 * kChunk);
    expectDelivered(rig, PlayLoopForward, 2, 2 * kChunk);
}

TEST(PlaybackEngine, StereoChannelsStayAlignedAndStopTogether)
{
    Rig rig(2, 6000, 100, 5000);
    ASSERT_EQ(rig.engine.startPlayback(PlayLoopForward, false), PlaybackEngine::StartResult::Started);
    for (int k = 0; k < 40; ++k) {
        rig.run(kStep);
        uint32_t left = 0, right = 1;
        rig.engine.device()->getCurrentPosition(0, &left, nullptr);
        rig.engine.device()->getCurrentPosition(1, &right, nullptr);
        ASSERT_EQ(left, right);
    }
    rig.engine.stopPlayback();
    EXPECT_FALSE(rig.device->isPlaying(0));
    EXPECT_FALSE(rig.device->isPlaying(1));
    uint32_t left = 1, right = 1;
    rig.engine.device()->getCurrentPosition(0, &left, nullptr);
    rig.engine.device()->getCurrentPosition(1, &right, nullptr);
    EXPECT_EQ(left, 0u); // rewound
    EXPECT_EQ(right, 0u);
}

TEST(PlaybackEngine, StartWhilePlayingOnlyStops)
{
    Rig rig(1, 6000, 100, 900);
    ASSERT_EQ(rig.engine.startPlayback(PlayLoopForward, false), PlaybackEngine::StartResult::Started);
    rig.run(1000);
    EXPECT_EQ(rig.engine.startPlayback(PlayOneShot, false), PlaybackEngine::StartResult::Stopped);
    EXPECT_EQ(rig.engine.playMode.load(), PlayIdle);
    EXPECT_FALSE(rig.device->isPlaying(0));
    EXPECT_TRUE(rig.engine.createChannelBuffer(kRate, kRing, 0)); // idle again: allowed
    rig.device->takeRecording();
    // A second press starts from the beginning.
    ASSERT_EQ(rig.engine.startPlayback(PlayOneShot, false), PlaybackEngine::StartResult::Started);
    rig.run(2000);
    expectDelivered(rig, PlayOneShot, 1, 2000);
    EXPECT_FALSE(rig.engine.createChannelBuffer(kRate, kRing, 0)); // refused while playing
}

TEST(PlaybackEngine, RefusesAMissingSourceAndChangesNothing)
{
    Rig rig(1, 3000); // no loop
    for (int32_t mode : std::initializer_list<int32_t>{PlayLoopForward, PlayLoopAlternate, PlaySampleLoopForward, PlaySampleLoopAlternate,
                         PlayCutBoostPreview, PlayMixResult, 1, 12})
        EXPECT_EQ(rig.engine.startPlayback(mode, true), PlaybackEngine::StartResult::Failed) << mode;
    EXPECT_EQ(rig.engine.playMode.load(), PlayIdle);
    EXPECT_FALSE(rig.device->isPlaying(0));

    rig.sound.loops.loopStart[0] = 10;
    rig.sound.loops.loopEnd[0] = 3000; // past the last sample
    EXPECT_EQ(rig.engine.startPlayback(PlayLoopForward, true), PlaybackEngine::StartResult::Failed);

    PlaybackSource bad;
    bad.channels = 2;
    bad.length = 10;
    EXPECT_FALSE(rig.engine.setModeSource(PlayMixSourceA, bad)); // no arrays
    EXPECT_FALSE(rig.engine.setModeSource(PlayOneShot, bad));

    PlaybackEngine bare; // no device yet
    EXPECT_FALSE(bare.createChannelBuffer(kRate, kRing, 0));
    EXPECT_EQ(bare.startPlayback(PlayOneShot, false), PlaybackEngine::StartResult::Failed);
}

TEST(PlaybackEngine, LostBufferIsRestoredAndTheStreamGoesOn)
{
    Rig rig(1, 20000);
    ASSERT_EQ(rig.engine.startPlayback(PlayOneShot, false), PlaybackEngine::StartResult::Started);
    rig.run(1500);
    rig.device->loseBuffer(0);
    rig.run(6000);
    expectDelivered(rig, PlayOneShot, 1, 7500);
}

TEST(PlaybackEngine, CursorPositionFoldsIntoTheLoop)
{
    // Loop 11 .. 14 (s = 10, e = 14, L = 4).
    EXPECT_EQ(PlaybackEngine::soundPositionOf(PlayLoopForward, 0, 10, 14, 0), 11);
    EXPECT_EQ(PlaybackEngine::soundPositionOf(PlayLoopForward, 5, 10, 14, 0), 12);
    // Alternate: 11 12 13 14 | 14 13 12 11 | 11 ...
    const int alternate[] = {11, 12, 13, 14, 14, 13, 12, 11, 11, 12};
    for (int k = 0; k < 10; ++k)
        EXPECT_EQ(PlaybackEngine::soundPositionOf(PlayLoopAlternate, k, 10, 14, 0), alternate[k]) << k;
    EXPECT_EQ(PlaybackEngine::soundPositionOf(PlaySampleLoopForward, 10, 10, 14, 0), 10);
    EXPECT_EQ(PlaybackEngine::soundPositionOf(PlaySampleLoopForward, 15, 10, 14, 0), 11);
    EXPECT_EQ(PlaybackEngine::soundPositionOf(PlaySampleLoopAlternate, 15, 10, 14, 0), 14);
    EXPECT_EQ(PlaybackEngine::soundPositionOf(PlayOneShot, 7000, 0, 0, 5000), 4999);
}

TEST(PlaybackEngine, CursorIsReportedOncePerSamplesPerPixel)
{
    Rig rig(1, 20000);
    rig.engine.setCursorGranularity(600);
    ASSERT_EQ(rig.engine.startPlayback(PlayOneShot, true), PlaybackEngine::StartResult::Started);
    rig.run(5 * kStep * 4); // 5000 frames, polled every 250
    // The start (0), then every third poll: 750, 1500, ... 4500 (moved > 600).
    ASSERT_EQ(rig.cursor.size(), 7u);
    EXPECT_EQ(rig.cursor[0], 0);
    EXPECT_EQ(rig.cursor[1], 750);
    EXPECT_EQ(rig.cursor[6], 4500);
}

TEST(PlaybackEngine, WorkerThreadKeepsTheRingAheadAndStops)
{
    Rig rig(2, 30000, 2000, 3777);
    rig.engine.setWorkerMode(PlaybackEngine::WorkerMode::Thread);
    rig.engine.setPollInterval(std::chrono::microseconds(500));
    ASSERT_EQ(rig.engine.startPlayback(PlaySampleLoopAlternate, false), PlaybackEngine::StartResult::Started);
    const int64_t frames = 8 * kRing;
    for (int64_t done = 0; done < frames; done += kStep) {
        // Two polls after each step: the worker has seen the new cursor.
        const uint64_t seen = rig.engine.pollCount();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (rig.engine.pollCount() < seen + 2 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        ASSERT_GE(rig.engine.pollCount(), seen + 2) << "the worker stopped polling";
        rig.device->advance(kStep);
    }
    rig.engine.stopPlayback(); // joins the worker
    EXPECT_EQ(rig.engine.playMode.load(), PlayIdle);
    expectDelivered(rig, PlaySampleLoopAlternate, 2, frames);
    EXPECT_GT(rig.engine.lastWorkerCpuSeconds(), 0.0);
}

TEST(PlaybackEngine, RefillsRacingTheDeviceOnlyEverPlayWholeSourceSamples)
{
    // The device runs on without waiting for the worker, so refills land while
    // the mixer reads the same ring (under ThreadSanitizer this is the hand-over
    // being checked). Whatever the timing, every sample heard is a sample of
    // the loop or of the ring's initial silence, never a torn value.
    Rig rig(1, 30000, 2000, 3777);
    rig.engine.setWorkerMode(PlaybackEngine::WorkerMode::Thread);
    rig.engine.setPollInterval(std::chrono::microseconds(100));
    ASSERT_EQ(rig.engine.startPlayback(PlayLoopForward, false), PlaybackEngine::StartResult::Started);
    constexpr uint32_t kLeap = 5 * kChunk / 2; // the device overtakes the worker's refills
    for (int k = 0; k < 40; ++k) {
        rig.device->advance(kLeap);
        std::this_thread::sleep_for(std::chrono::microseconds(k % 7 * 100));
    }
    rig.engine.stopPlayback();
    std::vector<int16_t> allowed(rig.sound.loopBody[0].begin(), rig.sound.loopBody[0].begin() + (3777 - 2000));
    allowed.push_back(0);
    std::sort(allowed.begin(), allowed.end());
    const std::vector<int16_t> heard = rig.side(rig.device->takeRecording(), 0);
    ASSERT_EQ(heard.size(), 40u * kLeap);
    for (size_t f = 0; f < heard.size(); ++f)
        ASSERT_TRUE(std::binary_search(allowed.begin(), allowed.end(), heard[f])) << f << ": " << heard[f];
}

TEST(PlaybackEngine, WorkerThreadReportsTheOneShotEnd)
{
    Rig rig(1, 2500);
    rig.engine.setWorkerMode(PlaybackEngine::WorkerMode::Thread);
    ASSERT_EQ(rig.engine.startPlayback(PlayOneShot, false), PlaybackEngine::StartResult::Started);
    const auto started = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (rig.engine.pollCount() == 0 && std::chrono::steady_clock::now() < started)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    rig.device->advance(2600);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (rig.engine.playMode.load() != PlayIdle && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(rig.engine.playMode.load(), PlayIdle);
    // Starting again joins the finished worker first.
    ASSERT_EQ(rig.engine.startPlayback(PlayOneShot, false), PlaybackEngine::StartResult::Started);
    rig.engine.stopPlayback();
    ASSERT_EQ(rig.ended.size(), 1u); // a stop by hand is not an end
    EXPECT_EQ(rig.ended[0], PlayOneShot);
}

class LoopSwap : public testing::TestWithParam<std::tuple<int32_t, int16_t>> {};

// A loop replaced while it plays: the stream is the old loop up to a wrap and
// the new loop from there on, sample for sample, both channels together.
TEST_P(LoopSwap, NewLoopTakesOverAtAWrapWithNothingLostOrDoubled)
{
    const auto [mode, channels] = GetParam();
    Rig rig(channels, 6000, 1200, 2900);
    const bool alternate = mode == PlayLoopAlternate || mode == PlaySampleLoopAlternate;
    const bool head = mode == PlaySampleLoopForward || mode == PlaySampleLoopAlternate;
    ASSERT_EQ(rig.engine.startPlayback(mode, false), PlaybackEngine::StartResult::Started);
    const int64_t before = 3 * kRing + 500;
    rig.run(before);

    auto next = std::make_unique<LoopReplacement>();
    next->loopStart = 1000;
    next->loopEnd = 2000;
    const int64_t m2 = alternate ? 2000 : 1000;
    for (int ch = 0; ch < channels; ++ch)
        for (int64_t k = 0; k < m2; ++k)
            next->loop[ch].push_back(pattern(ch, k, 5));
    const std::vector<int16_t> newLoop[2] = {next->loop[0], next->loop[1]};
    ASSERT_TRUE(rig.engine.replaceLoop(std::move(next)));
    const int64_t total = before + 4 * kRing;
    rig.run(total - before);

    const std::vector<int64_t> switches = rig.engine.loopSwitchPositions();
    ASSERT_EQ(switches.size(), 1u);
    const int64_t p = switches[0];
    const int64_t m1 = alternate ? 2 * 1700 : 1700;
    const int64_t loopFrom = head ? 1201 : 0;
    // Heard after the request, at the end of a whole cycle of the old loop,
    // within the ring's look-ahead (at most a chunk plus a loop cycle ahead
    // of what the write cursor had reached).
    EXPECT_GE(p, before);
    EXPECT_EQ((p - loopFrom) % m1, 0) << p;
    EXPECT_LE(p, before + 2 * kChunk + m1);

    const std::vector<float> out = rig.device->takeRecording();
    ASSERT_GE(out.size(), 2 * static_cast<size_t>(total));
    for (int ch = 0; ch < channels; ++ch) {
        const std::vector<int16_t> side = rig.side(out, ch);
        for (int64_t f = 0; f < total; ++f) {
            const int16_t want = f < p ? expected(rig, mode, ch, f, nullptr) : newLoop[ch][size_t((f - p) % m2)];
            ASSERT_EQ(side[size_t(f)], want) << "channel " << ch << " frame " << f << " switch " << p;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(MonoAndStereo, LoopSwap,
                         testing::Combine(testing::Values(PlayLoopForward, PlayLoopAlternate, PlaySampleLoopForward,
                                                          PlaySampleLoopAlternate),
                                          testing::Values(int16_t(1), int16_t(2))));

TEST(PlaybackEngine, LoopReplacementIsRefusedOutsideLoopModesAndForWrongSizes)
{
    Rig rig(1, 6000, 1200, 2900);
    auto make = [](int32_t size) {
        auto r = std::make_unique<LoopReplacement>();
        r->loopStart = 1000;
        r->loopEnd = 2000;
        r->loop[0].assign(size_t(size), 1);
        return r;
    };
    EXPECT_FALSE(rig.engine.replaceLoop(make(1000))); // idle
    ASSERT_EQ(rig.engine.startPlayback(PlayOneShot, false), PlaybackEngine::StartResult::Started);
    EXPECT_FALSE(rig.engine.replaceLoop(make(1000)));
    rig.engine.stopPlayback();
    ASSERT_EQ(rig.engine.startPlayback(PlayLoopForward, false), PlaybackEngine::StartResult::Started);
    EXPECT_FALSE(rig.engine.replaceLoop(make(999)));
    EXPECT_TRUE(rig.engine.replaceLoop(make(1000)));
}
