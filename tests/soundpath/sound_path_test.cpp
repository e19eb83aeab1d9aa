// What the play buttons really send to a sound card: the program's PortAudio
// device layer streams into a private JACK server (dummy backend, real time)
// and a capture client records it. Expected streams are worked out from the
// sound's own arrays, sample by sample.

#include "jack_rig.h"

#include "playback/PlaybackEngine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace {

constexpr uint32_t kCardRate = 48000;

int16_t pattern(int channel, int64_t k, int salt)
{
    // Distinct per channel, array and position; never zero at k = 0.
    const int64_t v = (k * (37 + 2 * channel) + salt * 1009 + channel * 7919 + 17) % 60001;
    return static_cast<int16_t>(v == 30000 ? 29999 : v - 30000);
}

class SoundPathTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { rig_ = new JackRig(kCardRate, 20.0); }
    static void TearDownTestSuite()
    {
        delete rig_;
        rig_ = nullptr;
    }

    void SetUp() override
    {
        if (!rig_->ok())
            GTEST_SKIP() << "no virtual sound card: " << rig_->why();
        ASSERT_TRUE(engine_.initDevice());
        ASSERT_TRUE(engine_.hasSoundCard()) << "PortAudio did not take the JACK server as its output";
        ASSERT_TRUE(rig_->connectToPlayer(std::chrono::seconds(5))) << "no PortAudio ports appeared in JACK";
        engine_.setEndCallback([this](int32_t) { ended_.store(true); });
    }

    void TearDown() override { engine_.stopPlayback(); }

    void makeSound(int16_t channels, int32_t frames, int32_t rate)
    {
        sound_.allocate(channels, frames);
        sound_.sampleCount = frames;
        sound_.sampleRate = rate;
        sound_.channels = channels;
        for (int ch = 0; ch < channels; ++ch) {
            for (int32_t k = 0; k < frames; ++k)
                sound_.samples[ch][k] = pattern(ch, k, 1);
            for (size_t k = 0; k < sound_.loopBody[ch].size(); ++k)
                sound_.loopBody[ch][k] = pattern(ch, static_cast<int64_t>(k), 2);
            for (size_t k = 0; k < sound_.pingPong[ch].size(); ++k)
                sound_.pingPong[ch][k] = pattern(ch, static_cast<int64_t>(k), 3);
        }
        engine_.setSound(&sound_);
        for (int ch = 0; ch < channels; ++ch)
            ASSERT_TRUE(engine_.createChannelBuffer(rate, PlaybackEngine::ringSamplesFor(rate), ch));
    }

    // A stereo sound of 30000 frames with the loop 9000 / 16001 (7001 frames)
    // in slot 0; returns the length of one loop cycle as it plays.
    int32_t makeLoopedSound(bool alternate)
    {
        makeSound(2, 30000, kCardRate);
        sound_.loops.loopStart[0] = 9000;
        sound_.loops.loopEnd[0] = 16001;
        sound_.loops.currentSolution = 0;
        return alternate ? 2 * 7001 : 7001;
    }

    // Plays `mode` and records `seconds` of output from the button press.
    void play(int32_t mode, double seconds)
    {
        engine_.stopPlayback();
        ended_.store(false);
        rig_->startRecording();
        const auto pressed = std::chrono::steady_clock::now();
        ASSERT_EQ(engine_.startPlayback(mode, false), PlaybackEngine::StartResult::Started);
        if (whilePlaying_) {
            ASSERT_TRUE(rig_->waitForFrames(kCardRate / 2, std::chrono::seconds(5)));
            whilePlaying_();
        }
        const auto frames = static_cast<size_t>(seconds * kCardRate);
        ASSERT_TRUE(rig_->waitForFrames(frames, std::chrono::milliseconds(static_cast<int>(seconds * 1000) + 5000)));
        latency_ = rig_->firstSoundAfter(pressed);
        left_ = rig_->side(0);
        right_ = rig_->side(1);
    }

    // Plays, then runs `check` on the recording (it returns what is wrong, or
    // nothing). When the server reported late cycles and the recording has a
    // hole of silence where `soundFrames` of sound were due, JACK played
    // silence for a client that missed its deadline: the machine is too loaded
    // to keep real time, which says nothing of the program. Such a recording is
    // taken again; after three the test is skipped with the reason. Any other
    // failure fails at once.
    void playAndCheck(int32_t mode, double seconds, size_t soundFrames, const std::function<std::string()>& check)
    {
        std::string failure;
        for (int attempt = 0; attempt < 3; ++attempt) {
            play(mode, seconds);
            if (HasFatalFailure())
                return;
            failure = check();
            if (failure.empty())
                return;
            if (rig_->xruns() == 0 || !hasHole(left_, soundFrames)) {
                ADD_FAILURE() << failure;
                return;
            }
        }
        GTEST_SKIP() << "the machine is too loaded to keep real time (late cycles in three recordings): "
                     << failure;
    }

    // A run of 32 zeros after the first sound and before `soundFrames` of it
    // have passed (the test sounds never hold two zeros in a row).
    static bool hasHole(const std::vector<int32_t>& side, size_t soundFrames)
    {
        const size_t start = firstNonZero(side);
        const size_t end = std::min(side.size(), start + soundFrames);
        size_t run = 0;
        for (size_t k = start; k < end; ++k) {
            run = side[k] == 0 ? run + 1 : 0;
            if (run >= 32)
                return true;
        }
        return false;
    }

    // What departs from `expected` in the recording of one side from `start` on.
    static std::string departure(const std::vector<int32_t>& recorded, size_t start,
                                 const std::vector<int32_t>& expected, const std::string& what)
    {
        if (start + expected.size() > recorded.size())
            return what + ": the recording is too short";
        size_t bad = 0, firstBad = 0;
        for (size_t k = 0; k < expected.size(); ++k)
            if (recorded[start + k] != expected[k] && bad++ == 0)
                firstBad = k;
        if (bad == 0)
            return {};
        return what + ": " + std::to_string(bad) + " samples differ, the first at " + std::to_string(firstBad);
    }

    static size_t firstNonZero(const std::vector<int32_t>& v)
    {
        return static_cast<size_t>(std::find_if(v.begin(), v.end(), [](int32_t x) { return x != 0; }) - v.begin());
    }

    static JackRig* rig_;
    SampleBuffer sound_;
    PlaybackEngine engine_;
    std::atomic<bool> ended_{false};
    std::vector<int32_t> left_, right_;
    double latency_ = -1.0;
    // Called half a second into each recording of play().
    std::function<void()> whilePlaying_;
};

JackRig* SoundPathTest::rig_ = nullptr;

TEST_F(SoundPathTest, PlaySoundDeliversEverySampleOnceWithTheChannelsAligned)
{
    const int32_t frames = 60000; // 1.25 s: crosses two chunk boundaries
    makeSound(2, frames, kCardRate);
    playAndCheck(PlayOneShot, 2.0, frames, [&]() -> std::string {
        if (!ended_.load())
            return "the one-shot did not end by itself";
        const size_t start = firstNonZero(left_);
        // Hard left and hard right: each side carries one channel, unchanged,
        // then silence.
        for (int ch = 0; ch < 2; ++ch) {
            std::vector<int32_t> expected(frames + 4800, 0);
            for (int32_t k = 0; k < frames; ++k)
                expected[k] = sound_.samples[ch][k];
            const std::string wrong = departure(ch == 0 ? left_ : right_, start, expected,
                                                "channel " + std::to_string(ch));
            if (!wrong.empty())
                return wrong;
        }
        return {};
    });
    if (HasFailure() || IsSkipped())
        return;
    std::printf("[ latency ] Play sound: first sample %.1f ms after the button\n", latency_ * 1000);
    RecordProperty("latency_ms", static_cast<int>(std::lround(latency_ * 1000)));
}

// A head, then the loop array repeated, across ring wraps at other offsets
// than the loop's: a lost or doubled sample shifts everything after it.
struct LoopCase {
    const char* name;
    int32_t mode;
    bool head;
    bool alternate;
};

// "with loop, forward" -> "with_loop__forward": a test name gtest accepts.
std::string caseName(const ::testing::TestParamInfo<LoopCase>& info)
{
    std::string n = info.param.name;
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return n;
}

class SoundPathLoopTest : public SoundPathTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(SoundPathLoopTest, LoopRepeatsSeamlessly)
{
    const LoopCase c = GetParam();
    const int32_t period = makeLoopedSound(c.alternate);
    const int32_t loopStart = sound_.loops.loopStart[0];
    playAndCheck(c.mode, 3.0, 2 * kCardRate, [&]() -> std::string {
        const size_t start = firstNonZero(left_);
        for (int ch = 0; ch < 2; ++ch) {
            std::vector<int32_t> expected;
            if (c.head)
                for (int32_t k = 0; k <= loopStart; ++k)
                    expected.push_back(sound_.samples[ch][k]);
            const auto& body = c.alternate ? sound_.pingPong[ch] : sound_.loopBody[ch];
            while (expected.size() < 2 * kCardRate + 1000)
                for (int32_t k = 0; k < period; ++k)
                    expected.push_back(body[k]);
            const std::string wrong = departure(ch == 0 ? left_ : right_, start, expected,
                                                std::string(c.name) + ", channel " + std::to_string(ch));
            if (!wrong.empty())
                return wrong;
        }
        return {};
    });
}

INSTANTIATE_TEST_SUITE_P(Modes, SoundPathLoopTest,
                         ::testing::Values(LoopCase{"with loop, forward", PlaySampleLoopForward, true, false},
                                           LoopCase{"with loop, alternate", PlaySampleLoopAlternate, true, true},
                                           LoopCase{"loop alone, forward", PlayLoopForward, false, false},
                                           LoopCase{"loop alone, alternate", PlayLoopAlternate, false, true}),
                         caseName);

TEST_F(SoundPathTest, A22050HzSoundOnA48000HzCardKeepsItsPitchAndDuration)
{
    // One second of a 441 Hz sine at 22050 Hz, mono (centred: both sides).
    const int32_t frames = 22050;
    makeSound(1, frames, 22050);
    const double twoPi = 6.283185307179586;
    for (int32_t k = 0; k < frames; ++k)
        sound_.samples[0][k] = static_cast<int16_t>(std::lround(16000 * std::sin(twoPi * 441.0 * k / 22050)));
    sound_.samples[0][0] = 1; // so the start is found exactly
    playAndCheck(PlayOneShot, 1.6, 47000, [&]() -> std::string {
        const size_t start = firstNonZero(left_);
        if (start >= left_.size())
            return "nothing was heard";
        size_t end = left_.size();
        while (end > start && left_[end - 1] == 0)
            --end;
        // One second of sound lasts one second on the card (the interpolator's
        // tail is a sample or two).
        if (std::abs(static_cast<double>(end - start) - 48000.0) > 8.0)
            return "the sound lasted " + std::to_string(end - start) + " samples at 48000 Hz";

        // Pitch: rising zero crossings over the steady middle, interpolated.
        double first = -1, last = -1;
        int crossings = 0;
        for (size_t k = start + 480; k + 1 < end - 480; ++k) {
            if (left_[k] < 0 && left_[k + 1] >= 0) {
                const double at = k + static_cast<double>(-left_[k]) / (left_[k + 1] - left_[k]);
                if (first < 0)
                    first = at;
                last = at;
                ++crossings;
            }
        }
        if (crossings < 100)
            return "only " + std::to_string(crossings) + " periods were heard";
        const double hz = (crossings - 1) / ((last - first) / kCardRate);
        if (std::abs(1200.0 * std::log2(hz / 441.0)) > 1.0)
            return "the tone plays at " + std::to_string(hz) + " Hz";
        // Centred mono: both sides carry the same signal.
        if (left_ != right_)
            return "the two sides of a centred mono sound differ";
        return {};
    });
}

// A loop moved by hand while it plays: the card hears the old loop up to one
// of its wraps and the new one from there on, sample for sample, with the two
// channels switching on the same frame.
class SoundPathLoopSwapTest : public SoundPathTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(SoundPathLoopSwapTest, TheMovedLoopIsHeardFromAWrapOn)
{
    const LoopCase c = GetParam();
    const int32_t oldCycle = makeLoopedSound(c.alternate);
    // The moved loop: 9500 .. 15000, its own pattern.
    const int32_t newCycle = c.alternate ? 2 * 5500 : 5500;
    std::vector<int16_t> moved[2];
    for (int ch = 0; ch < 2; ++ch)
        for (int32_t k = 0; k < newCycle; ++k)
            moved[ch].push_back(pattern(ch, k, 6));
    whilePlaying_ = [&] {
        auto next = std::make_unique<LoopReplacement>();
        next->loopStart = 9500;
        next->loopEnd = 15000;
        next->loop[0] = moved[0];
        next->loop[1] = moved[1];
        ASSERT_TRUE(engine_.replaceLoop(std::move(next)));
    };
    playAndCheck(c.mode, 2.5, 2 * kCardRate, [&]() -> std::string {
        engine_.stopPlayback(); // the switch positions are read once the worker has ended
        const std::vector<int64_t> switches = engine_.loopSwitchPositions();
        if (switches.size() != 1)
            return std::to_string(switches.size()) + " loop switches instead of one";
        const int64_t p = switches[0];
        if (p % oldCycle != 0)
            return "the switch at " + std::to_string(p) + " is not at a wrap of the old loop";
        const size_t start = firstNonZero(left_);
        // Half a second had been recorded, `start` of it silence before the
        // stream began, when the new loop was handed over.
        if (p + int64_t(start) < int64_t(kCardRate / 2))
            return "the switch at " + std::to_string(p) + " came before the request";
        for (int ch = 0; ch < 2; ++ch) {
            const auto& body = c.alternate ? sound_.pingPong[ch] : sound_.loopBody[ch];
            std::vector<int32_t> expected;
            for (int64_t f = 0; f < 2 * kCardRate; ++f)
                expected.push_back(f < p ? body[size_t(f % oldCycle)] : moved[ch][size_t((f - p) % newCycle)]);
            const std::string wrong = departure(ch == 0 ? left_ : right_, start, expected,
                                                std::string(c.name) + ", channel " + std::to_string(ch));
            if (!wrong.empty())
                return wrong + " (switch at " + std::to_string(p) + ")";
        }
        return {};
    });
}

INSTANTIATE_TEST_SUITE_P(Modes, SoundPathLoopSwapTest,
                         ::testing::Values(LoopCase{"loop alone, forward", PlayLoopForward, false, false},
                                           LoopCase{"loop alone, alternate", PlayLoopAlternate, false, true}),
                         caseName);

} // namespace

// A card that vanishes while it plays (its server stops, as an unplugged card
// does): the playback ends at once instead of latching, and the engine goes
// on with the silent null device, once.
//
// The lost stream cannot be closed, so PortAudio stays bound to the server
// that is gone for the rest of the process: this test must run after every
// other one here. Parameterized suites run after plain ones, in the order
// they are defined, hence the single-valued parameter.
class SoundCardLost : public ::testing::TestWithParam<int> {};

TEST_P(SoundCardLost, ThePlaybackEndsAndTheNullDeviceTakesOver)
{
    JackRig rig(kCardRate, 2.0);
    if (!rig.ok())
        GTEST_SKIP() << "no virtual sound card: " << rig.why();
    PlaybackEngine engine;
    ASSERT_TRUE(engine.initDevice());
    ASSERT_TRUE(engine.hasSoundCard());
    std::atomic<int> ends{0};
    engine.setEndCallback([&](int32_t) { ends.fetch_add(1); });

    SampleBuffer sound;
    const int32_t frames = 5 * static_cast<int32_t>(kCardRate);
    sound.allocate(1, frames);
    sound.sampleCount = frames;
    sound.sampleRate = static_cast<int32_t>(kCardRate);
    sound.channels = 1;
    for (int32_t k = 0; k < frames; ++k)
        sound.samples[0][k] = pattern(0, k, 1);
    engine.setSound(&sound);
    ASSERT_TRUE(engine.createChannelBuffer(sound.sampleRate, PlaybackEngine::ringSamplesFor(sound.sampleRate), 0));

    auto waitFor = [](const std::function<bool()>& done, std::chrono::seconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return done();
    };
    ASSERT_EQ(engine.startPlayback(PlayOneShot, false), PlaybackEngine::StartResult::Started);
    ASSERT_TRUE(waitFor([&] { return engine.playedSamples() > 0; }, std::chrono::seconds(5)));

    rig.killServer();
    ASSERT_TRUE(waitFor([&] { return ends.load() == 1; }, std::chrono::seconds(3)));
    EXPECT_LT(engine.playedSamples(), frames);
    EXPECT_EQ(engine.playMode.load(), PlayIdle);
    EXPECT_TRUE(engine.fallBackIfCardLost());
    EXPECT_FALSE(engine.hasSoundCard());
    EXPECT_FALSE(engine.fallBackIfCardLost());

    // The null device keeps time: a quarter-second one-shot plays to its end.
    sound.sampleCount = static_cast<int32_t>(kCardRate / 4);
    ASSERT_EQ(engine.startPlayback(PlayOneShot, false), PlaybackEngine::StartResult::Started);
    EXPECT_TRUE(waitFor([&] { return ends.load() == 2; }, std::chrono::seconds(5)));
    EXPECT_GE(engine.playedSamples(), sound.sampleCount);
}

INSTANTIATE_TEST_SUITE_P(Last, SoundCardLost, ::testing::Values(1));
