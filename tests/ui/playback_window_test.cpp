// Playback from the main window, on the null output device with a clock the
// test steps by hand: the play buttons as toggles, the loop buffer built
// before each loop playback, what reaches the output, the play cursor on the
// waveform, and stopping before the sound goes.

#include "main_window_fixture.h"

#include "loop/crossfade.h"
#include "platform/null_audio_device.h"
#include "playback/PlaybackEngine.h"
#include "document/wav_reader.h"
#include "views/ui/CJunctionPanel.h"
#include "views/ui/WaveformView.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using Output = CMainDlg::PlaybackDeviceOptions::Output;

class PlaybackWindowTest : public NullPlaybackWindowTest {
protected:
    PlaybackEngine& engine() { return *dlg->playbackEngine(); }
    NullAudioDevice& device() { return *static_cast<NullAudioDevice*>(engine().device()); }
    CBitmapButton& button(int id) { return *dlg->toolbarButton(id); }
    std::string tip(int id) { return button(id).GetToolTipText().ToStdString(); }

    // Opens a file and makes sure the waveform shows it.
    void openSound(const std::string& path)
    {
        open(path);
        ASSERT_TRUE(dlg->doc.isLoaded());
        if (!dlg->waveform()->sound())
            dlg->waveform()->rebuild(&dlg->doc);
    }

    // Waits until the worker has started the buffers.
    bool started()
    {
        return uitest::pumpUntil([this] { return device().anyPlaying() || engine().playMode.load() == PlayIdle; },
                                 2000) &&
               device().anyPlaying();
    }

    // Lets the device play `frames` frames in small blocks, giving the worker
    // time to refill between blocks as a real card's clock would.
    void play(int frames, int block = 512)
    {
        for (int done = 0; done < frames; done += block) {
            device().advance(static_cast<uint32_t>(std::min(block, frames - done)));
            const uint64_t polls = engine().pollCount();
            uitest::pumpUntil(
                [&] { return engine().pollCount() >= polls + 2 || engine().playMode.load() == PlayIdle; }, 1000);
        }
    }

    // The loop of slot 0 as the window holds it after the load.
    int32_t loopStart() const { return dlg->doc.loops.loopStart[dlg->doc.loops.currentSolution]; }
    int32_t loopEnd() const { return dlg->doc.loops.loopEnd[dlg->doc.loops.currentSolution]; }

    std::string loopedWave(int channels = 1)
    {
        return writeWave("looped", 20000, channels, wavbytes::SamplerLoop{0, 6001, 8000});
    }
};

struct ButtonCase {
    int id;
    void (CMainDlg::*handler)();
    int32_t mode;
    const char* tip;
};

const ButtonCase kButtons[] = {
    {ID_PLAY, &CMainDlg::onPlayOneShot, PlayOneShot, "Play one shot"},
    {ID_PLAY_CL, &CMainDlg::onPlaySample, PlaySampleLoopForward, "Play sample"},
    {ID_PLAY_LOOP, &CMainDlg::onPlayLoopAlone, PlayLoopForward, "Play loop alone"},
    {ID_PLAY_SA, &CMainDlg::onPlayHarmonic, PlayHarmonic, "Play selected harmonic alone"},
};

} // namespace

TEST_F(PlaybackWindowTest, EachPlayButtonLatchesShowsStopAndASecondPressReleases)
{
    openSound(loopedWave());
    ASSERT_TRUE(dlg->doc.loops.hasLoop(0));
    // The single harmonic plays what the profiles synthesise.
    dlg->onShowProfiles();
    dlg->waitForProfiles();
    ASSERT_TRUE(dlg->profilesReady);

    for (const ButtonCase& c : kButtons) {
        SCOPED_TRACE(c.tip);
        EXPECT_TRUE(button(c.id).isToggle());
        EXPECT_EQ(tip(c.id), c.tip);
        (dlg->*c.handler)();
        EXPECT_TRUE(button(c.id).isPressed());
        EXPECT_EQ(button(c.id).currentImage(), CBitmapButton::Pressed);
        EXPECT_EQ(tip(c.id), "Stop");
        EXPECT_EQ(dlg->playingButton(), c.id);
        EXPECT_EQ(engine().playMode.load(), c.mode);
        EXPECT_TRUE(started());

        (dlg->*c.handler)();
        EXPECT_FALSE(button(c.id).isPressed());
        EXPECT_EQ(tip(c.id), c.tip);
        EXPECT_EQ(dlg->playingButton(), 0);
        EXPECT_EQ(engine().playMode.load(), PlayIdle);
        EXPECT_FALSE(device().anyPlaying());
    }
}

TEST_F(PlaybackWindowTest, AnyPlayButtonWhilePlayingOnlyStopsThenStartsAgain)
{
    openSound(loopedWave());
    dlg->onPlayLoopAlone();
    ASSERT_TRUE(started());
    // A real click latches the other button before its handler runs.
    button(ID_PLAY).setPressed(true);
    dlg->onPlayOneShot();
    EXPECT_EQ(engine().playMode.load(), PlayIdle);
    EXPECT_FALSE(button(ID_PLAY).isPressed());
    EXPECT_FALSE(button(ID_PLAY_LOOP).isPressed());
    EXPECT_EQ(tip(ID_PLAY_LOOP), "Play loop alone");
    EXPECT_EQ(tip(ID_PLAY), "Play one shot");

    dlg->onPlayOneShot();
    EXPECT_EQ(engine().playMode.load(), PlayOneShot);
    EXPECT_TRUE(button(ID_PLAY).isPressed());
    dlg->stopPlayback();
}

TEST_F(PlaybackWindowTest, OneShotEndsByItselfAndReleasesItsButton)
{
    openSound(writeWave("short", 3000, 1, std::nullopt, 8000));
    dlg->onPlayOneShot();
    ASSERT_TRUE(started());
    play(2000);
    EXPECT_EQ(engine().playMode.load(), PlayOneShot) << "ended before its last sample";
    play(1536);
    EXPECT_TRUE(uitest::pumpUntil([this] { return !button(ID_PLAY).isPressed(); }, 2000));
    EXPECT_EQ(engine().playMode.load(), PlayIdle);
    EXPECT_EQ(dlg->playingButton(), 0);
    EXPECT_EQ(tip(ID_PLAY), "Play one shot");
    EXPECT_TRUE(uitest::pumpUntil([this] { return !dlg->waveform()->cursorShown(); }, 2000));

    // The next press starts again.
    dlg->onPlayOneShot();
    EXPECT_EQ(engine().playMode.load(), PlayOneShot);
    dlg->onPlayOneShot();
    EXPECT_EQ(engine().playMode.load(), PlayIdle);
}

TEST_F(PlaybackWindowTest, LoopAloneStreamsTheLoopBuiltWithTheCurrentCrossfade)
{
    openSound(loopedWave());
    ASSERT_TRUE(dlg->doc.loops.hasLoop(0));
    const int32_t s = loopStart(), e = loopEnd(), L = e - s;
    const std::vector<int16_t> x = dlg->doc.samples[0];
    const int32_t X = 300;
    dlg->crossfadeKind = 0;
    dlg->crossfadeLength = X;
    dlg->crossfadePasses = 1;
    dlg->doc.loopBody[0].clear(); // whatever was there before
    device().setRecording(true);

    dlg->onPlayLoopAlone();
    ASSERT_EQ(engine().playMode.load(), PlayLoopForward);

    // A linear pass, worked out here: far from the junction the loop's own
    // samples, near it a blend with the samples before the loop start.
    const std::vector<int16_t>& body = dlg->doc.loopBody[0];
    ASSERT_GE(body.size(), static_cast<size_t>(L));
    std::vector<int16_t> expected(x.begin() + s + 1, x.begin() + e + 1);
    for (int j = 0; j < X; ++j) {
        const double w = static_cast<double>(j) / X;
        expected[L - 1 - j] = static_cast<int16_t>(std::trunc((1 - w) * x[s - j] + w * expected[L - 1 - j]));
    }
    EXPECT_EQ(std::vector<int16_t>(body.begin(), body.begin() + L), expected);
    EXPECT_EQ(body[L - 1], x[s]);
    // And the same as the builder gives for these settings.
    SampleBuffer copy = dlg->doc;
    buildForwardLoop(copy, CrossfadeSettings{CrossfadeKind::Linear, X, 1});
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), copy.loopBody[0].begin()));

    // The output: the loop, over and over, from its first sample.
    ASSERT_TRUE(started());
    play(3 * L + 200);
    const std::vector<float> out = device().takeRecording();
    ASSERT_GE(out.size() / 2, static_cast<size_t>(3 * L));
    int wrong = 0;
    for (int k = 0; k < 3 * L; ++k)
        wrong += out[2 * k] != expected[k % L] / 32768.0f || out[2 * k + 1] != expected[k % L] / 32768.0f;
    EXPECT_EQ(wrong, 0);
    dlg->stopPlayback();
}

TEST_F(PlaybackWindowTest, AlternateLoopTypeBuildsThePingPongBuffer)
{
    openSound(loopedWave());
    const int32_t s = loopStart(), e = loopEnd(), L = e - s;
    const std::vector<int16_t> x = dlg->doc.samples[0];
    dlg->doc.loopForward = false;
    dlg->crossfadeLength = 0;
    device().setRecording(true);

    dlg->onPlayLoopAlone();
    ASSERT_EQ(engine().playMode.load(), PlayLoopAlternate);
    const std::vector<int16_t>& pp = dlg->doc.pingPong[0];
    ASSERT_GE(pp.size(), static_cast<size_t>(2 * L));
    EXPECT_EQ(pp[0], x[s + 1]);
    EXPECT_EQ(pp[L - 1], x[e]);
    EXPECT_EQ(pp[L], static_cast<int16_t>(-x[e]));
    EXPECT_EQ(pp[2 * L - 1], static_cast<int16_t>(-x[s + 1]));

    ASSERT_TRUE(started());
    play(2 * L + 100);
    const std::vector<float> out = device().takeRecording();
    ASSERT_GE(out.size() / 2, static_cast<size_t>(2 * L + 10));
    int wrong = 0;
    for (int k = 0; k < 2 * L + 10; ++k)
        wrong += out[2 * k] != pp[k % (2 * L)] / 32768.0f;
    EXPECT_EQ(wrong, 0);

    // Play sample with an alternate loop: its own mode.
    dlg->stopPlayback();
    dlg->onPlaySample();
    EXPECT_EQ(engine().playMode.load(), PlaySampleLoopAlternate);
    dlg->stopPlayback();
}

TEST_F(PlaybackWindowTest, SampleWithLoopPlaysUpToTheLoopStartThenTheLoop)
{
    openSound(loopedWave());
    const int32_t s = loopStart(), e = loopEnd(), L = e - s;
    const std::vector<int16_t> x = dlg->doc.samples[0];
    dlg->crossfadeLength = 0;
    device().setRecording(true);

    dlg->onPlaySample();
    ASSERT_EQ(engine().playMode.load(), PlaySampleLoopForward);
    ASSERT_TRUE(started());
    const int total = s + 1 + 2 * L;
    play(total + 100);
    const std::vector<float> out = device().takeRecording();
    ASSERT_GE(out.size() / 2, static_cast<size_t>(total));
    int wrong = 0;
    for (int k = 0; k < total; ++k) {
        const int16_t want = k <= s ? x[k] : x[s + 1 + (k - s - 1) % L];
        wrong += out[2 * k] != want / 32768.0f;
    }
    EXPECT_EQ(wrong, 0);
    dlg->stopPlayback();
}

TEST_F(PlaybackWindowTest, StereoChannelsStartTogetherPannedLeftAndRight)
{
    openSound(writeWave("stereo", 12000, 2));
    ASSERT_TRUE(dlg->doc.isStereo());
    const std::vector<int16_t> left = dlg->doc.samples[0], right = dlg->doc.samples[1];
    device().setRecording(true);

    dlg->onPlayOneShot();
    ASSERT_TRUE(started());
    EXPECT_EQ(engine().channelCount(), 2);
    play(6000);
    const std::vector<float> out = device().takeRecording();
    ASSERT_GE(out.size() / 2, 6000u);
    // Hard left and hard right: each side carries one channel, frame for frame.
    int wrong = 0;
    for (int k = 0; k < 6000; ++k)
        wrong += std::fabs(out[2 * k] - left[k] / 32768.0f) > 1e-6f ||
                 std::fabs(out[2 * k + 1] - right[k] / 32768.0f) > 1e-6f;
    EXPECT_EQ(wrong, 0);
    dlg->stopPlayback();
    EXPECT_FALSE(device().anyPlaying());
}

TEST_F(PlaybackWindowTest, PlayCursorFollowsOnTheWaveformAndIsHiddenAtStop)
{
    openSound(loopedWave());
    const int32_t s = loopStart(), e = loopEnd();
    WaveformView* view = dlg->waveform();
    ASSERT_FALSE(view->cursorShown());

    dlg->onPlayLoopAlone();
    // The loop alone starts its cursor on the loop's first sample.
    EXPECT_TRUE(view->cursorShown());
    EXPECT_EQ(view->cursorSample(), s + 1);
    ASSERT_TRUE(started());
    play(1024);
    EXPECT_TRUE(uitest::pumpUntil([&] { return view->cursorSample() > s + 1; }, 2000));
    EXPECT_LE(view->cursorSample(), s + 1 + 1024);
    // Past the loop end the cursor comes back into the loop.
    play(e - s);
    uitest::pumpFor(30);
    EXPECT_GE(view->cursorSample(), s + 1);
    EXPECT_LE(view->cursorSample(), e);
    EXPECT_TRUE(view->cursorShown());

    dlg->onPlayLoopAlone();
    EXPECT_FALSE(view->cursorShown());
    // Reports still on their way do not bring it back.
    uitest::pumpFor(50);
    EXPECT_FALSE(view->cursorShown());

    // One shot: the cursor starts at sample 0 and moves forward.
    dlg->onPlayOneShot();
    EXPECT_EQ(view->cursorSample(), 0);
    ASSERT_TRUE(started());
    play(2048);
    EXPECT_TRUE(uitest::pumpUntil([&] { return view->cursorSample() > 1000; }, 2000));
    dlg->onPlayOneShot();
    EXPECT_FALSE(view->cursorShown());
}

TEST_F(PlaybackWindowTest, OpeningAnotherFileWhilePlayingStopsFirst)
{
    openSound(loopedWave());
    dlg->onPlayLoopAlone();
    ASSERT_TRUE(started());
    play(2048);

    openSound(writeWave("other", 5000, 1, std::nullopt, 22050));
    EXPECT_EQ(engine().playMode.load(), PlayIdle);
    EXPECT_EQ(dlg->playingButton(), 0);
    EXPECT_FALSE(button(ID_PLAY_LOOP).isPressed());
    EXPECT_EQ(tip(ID_PLAY_LOOP), "Play loop alone");
    EXPECT_FALSE(device().anyPlaying());
    EXPECT_FALSE(dlg->waveform()->cursorShown());

    // The rings were made again for the new rate.
    device().setRecording(true);
    dlg->onPlayOneShot();
    ASSERT_EQ(engine().playMode.load(), PlayOneShot);
    EXPECT_EQ(engine().playbackRate(), 22050);
    ASSERT_TRUE(started());
    play(1000);
    const std::vector<float> out = device().takeRecording();
    ASSERT_GE(out.size(), 2000u);
    EXPECT_EQ(out[2 * 500], dlg->doc.samples[0][500] / 32768.0f);
    dlg->stopPlayback();
}

TEST_F(PlaybackWindowTest, EditingTheDocumentDuringPlaybackDoesNotReachTheStream)
{
    openSound(loopedWave());
    const std::vector<int16_t> x = dlg->doc.samples[0];
    device().setRecording(true);
    dlg->onPlayOneShot();
    ASSERT_TRUE(started());
    // The window's copy is what plays: the document may be replaced at will.
    std::fill(dlg->doc.samples[0].begin(), dlg->doc.samples[0].end(), int16_t(0));
    play(12000);
    const std::vector<float> out = device().takeRecording();
    ASSERT_GE(out.size(), 24000u);
    int wrong = 0;
    for (int k = 0; k < 12000; ++k)
        wrong += out[2 * k] != x[k] / 32768.0f;
    EXPECT_EQ(wrong, 0);
    dlg->stopPlayback();
}

TEST_F(PlaybackWindowTest, EditsAndUndoStopThePlaybackFirst)
{
    openSound(loopedWave());
    dlg->onPlaySample();
    ASSERT_TRUE(started());
    // Every edit begins with the undo snapshot.
    dlg->pushUndo();
    EXPECT_EQ(engine().playMode.load(), PlayIdle);
    EXPECT_FALSE(button(ID_PLAY_CL).isPressed());
    EXPECT_FALSE(dlg->waveform()->cursorShown());

    dlg->onPlayOneShot();
    ASSERT_TRUE(started());
    dlg->onUndo();
    EXPECT_EQ(engine().playMode.load(), PlayIdle);
    EXPECT_FALSE(button(ID_PLAY).isPressed());
    EXPECT_EQ(tip(ID_PLAY), "Play one shot");
}

TEST_F(PlaybackWindowTest, HarmonicWithoutItsSynthesisComesBackUp)
{
    openSound(loopedWave());
    dlg->doc.scratch.clear();
    dlg->onPlayHarmonic();
    EXPECT_EQ(engine().playMode.load(), PlayIdle);
    EXPECT_FALSE(button(ID_PLAY_SA).isPressed());
    EXPECT_EQ(dlg->playingButton(), 0);
    EXPECT_EQ(tip(ID_PLAY_SA), "Play selected harmonic alone");

    // With the profiles: one channel, then the end releases the button.
    dlg->onShowProfiles();
    dlg->waitForProfiles();
    ASSERT_TRUE(dlg->profilesReady);
    dlg->onPlayHarmonic();
    EXPECT_EQ(engine().playMode.load(), PlayHarmonic);
    EXPECT_EQ(engine().channelCount(), 1);
    ASSERT_TRUE(started());
    play(dlg->doc.sampleCount + 1024, 2048);
    EXPECT_TRUE(uitest::pumpUntil([this] { return !button(ID_PLAY_SA).isPressed(); }, 2000));
}

TEST_F(PlaybackWindowTest, ClosingWhilePlayingEndsTheWorkerFirst)
{
    openSound(loopedWave());
    dlg->onPlaySample();
    ASSERT_TRUE(started());
    play(1024);
    ASSERT_TRUE(dlg->prepareToClose());
    EXPECT_EQ(engine().playMode.load(), PlayIdle);
    EXPECT_FALSE(device().anyPlaying());
    EXPECT_FALSE(dlg->doc.isLoaded());

    // A window destroyed in the middle of a playback takes the worker with it.
    openSound(loopedWave());
    dlg->onPlayLoopAlone();
    ASSERT_TRUE(started());
    play(1024);
    dlg->Destroy();
    EXPECT_TRUE(uitest::pumpUntil([this] { return !dlg; }, 2000));
    uitest::pumpFor(30); // reports posted by the ending worker find no window
}

// Without a sound card the user is told once, at start-up, and every play
// command still works silently.
class PlaybackWindowStartupTest : public PlaybackWindowTest {
protected:
    void SetUp() override
    {
        saved = CMainDlg::playbackDeviceOptions();
        CMainDlg::playbackDeviceOptions() = {Output::NullManual, 1.0, true};
        boxes = std::make_unique<uitest::ScriptedMessages>(std::initializer_list<MessageAnswer>{MessageAnswer::Ok});
        MainWindowTest::SetUp();
        asked = boxes->asked;
        boxes.reset();
    }
    std::unique_ptr<uitest::ScriptedMessages> boxes;
};

TEST_F(PlaybackWindowStartupTest, WarnsOnceWithoutSoundCardThenPlaysSilently)
{
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "No sound output could be opened: the program goes on, but playback is silent.");
    EXPECT_FALSE(engine().hasSoundCard());

    openSound(loopedWave());
    dlg->onPlayLoopAlone();
    EXPECT_EQ(engine().playMode.load(), PlayLoopForward);
    EXPECT_TRUE(started());
    dlg->onPlayLoopAlone();
    EXPECT_EQ(engine().playMode.load(), PlayIdle);
}

namespace {

// A sound card as the engine sees one, its clock stepped by hand: it may
// refuse to start; once unplugged its stream no longer runs and its cursor
// stands still.
class FakeCard : public NullAudioDevice {
public:
    explicit FakeCard(bool starts) : NullAudioDevice(Clock::Manual), starts_(starts) {}
    bool start() override { return starts_ && NullAudioDevice::start(); }
    bool isRunning() const override { return starts_ && !unplugged && NullAudioDevice::isRunning(); }
    bool isAudible() const override { return true; }
    std::atomic<bool> unplugged{false};

private:
    const bool starts_;
};

} // namespace

// A card that fails after opening gives way to the silent null device, once,
// with the no-sound-card warning; the play buttons and the cursor go on.
class SoundCardFallbackTest : public PlaybackWindowTest {
protected:
    void SetUp() override {}
    void TearDown() override
    {
        PlaybackWindowTest::TearDown();
        CMainDlg::PlaybackDeviceOptions::givenDevice() = nullptr;
    }
    void openWindowWith(bool cardStarts, std::initializer_list<MessageAnswer> answers)
    {
        saved = CMainDlg::playbackDeviceOptions();
        CMainDlg::playbackDeviceOptions() = {Output::Given, 1.0, true};
        CMainDlg::PlaybackDeviceOptions::givenDevice() = [this, cardStarts] {
            auto made = std::make_unique<FakeCard>(cardStarts);
            card = made.get();
            return made;
        };
        uitest::ScriptedMessages boxes(answers);
        MainWindowTest::SetUp();
        asked = boxes.asked;
    }
    // A one-shot on the null device that took over: it plays in real time,
    // moves the cursor and ends by itself.
    void expectSilentOneShotPlaysToItsEnd()
    {
        ASSERT_FALSE(engine().hasSoundCard());
        ASSERT_FALSE(engine().device()->isAudible());
        dlg->onPlayOneShot();
        EXPECT_TRUE(button(ID_PLAY).isPressed());
        EXPECT_TRUE(uitest::pumpUntil([this] { return engine().playedSamples() > 0; }, 10000));
        EXPECT_TRUE(uitest::pumpUntil([this] { return !button(ID_PLAY).isPressed(); }, 10000));
        EXPECT_GE(engine().playedSamples(), dlg->doc.sampleCount);
        EXPECT_TRUE(uitest::pumpUntil([this] { return !dlg->waveform()->cursorShown(); }, 2000));
    }

    FakeCard* card = nullptr; // owned by the engine until it is replaced
};

TEST_F(SoundCardFallbackTest, ACardThatWillNotStart)
{
    openWindowWith(false, {MessageAnswer::Ok});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "No sound output could be opened: the program goes on, but playback is silent.");
    openSound(writeWave("short", 2000, 1, std::nullopt, 8000));
    uitest::ScriptedMessages none;
    expectSilentOneShotPlaysToItsEnd();
}

TEST_F(SoundCardFallbackTest, ACardUnpluggedWhilePlaying)
{
    openWindowWith(true, {});
    EXPECT_TRUE(asked.empty());
    ASSERT_TRUE(engine().hasSoundCard());
    openSound(writeWave("short", 2000, 1, std::nullopt, 8000));
    dlg->onPlayOneShot();
    ASSERT_TRUE(uitest::pumpUntil([this] { return card->anyPlaying(); }, 2000));
    card->advance(256);
    ASSERT_TRUE(uitest::pumpUntil([this] { return engine().playedSamples() > 0; }, 2000));

    card->unplugged = true; // the engine replaces (and frees) it from here on
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Ok});
        EXPECT_TRUE(uitest::pumpUntil([&] { return !boxes.asked.empty() && !button(ID_PLAY).isPressed(); }, 5000));
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].text, "The sound output stopped working: playback is silent from now on.");
    }
    // Once: the null device never fails, nothing more is asked.
    uitest::ScriptedMessages none;
    expectSilentOneShotPlaysToItsEnd();
    expectSilentOneShotPlaysToItsEnd();
}

// A loop end moved while Play loop runs is heard from a wrap on: the output is
// the old loop up to that wrap and the moved loop after it, sample for sample.
TEST_F(PlaybackWindowTest, MovedLoopEndIsHeardFromTheNextWrap)
{
    openSound(loopedWave());
    const int32_t s = loopStart(), e = loopEnd();
    const std::vector<int16_t> x = dlg->doc.samples[0];
    device().setRecording(true);
    dlg->onPlayLoopAlone();
    ASSERT_TRUE(started());
    const int before = 20000;
    play(before);
    dlg->nudgeLoop(LoopPoint::End, NudgeStep::Sample, 1);
    ASSERT_EQ(loopEnd(), e + 1);
    const int after = 3 * 44100;
    play(after);
    const std::vector<float> out = device().takeRecording();
    dlg->stopPlayback();
    const std::vector<int64_t> switches = engine().loopSwitchPositions();
    ASSERT_EQ(switches.size(), 1u);
    const int64_t p = switches[0];
    const int64_t l1 = e - s, l2 = e + 1 - s;
    EXPECT_EQ(p % l1, 0);
    EXPECT_GE(p, before);
    // Without a crossfade the loops are the sound's own samples.
    int wrong = 0;
    for (int64_t k = 0; k < before + after - 1024; ++k) {
        const int16_t want = k < p ? x[size_t(s + 1 + k % l1)] : x[size_t(s + 1 + (k - p) % l2)];
        wrong += out[size_t(2 * k)] != want / 32768.0f;
    }
    EXPECT_EQ(wrong, 0);
    RecordProperty("switch_delay_ms", static_cast<int>((p - before) * 1000 / 44100));
    std::printf("loop switch heard %lld ms after the move\n", static_cast<long long>((p - before) * 1000 / 44100));
}

// The whole hand-looping round on a steady tone of exactly 100 frames a
// period: a stored loop 49 frames too long clicks; with "Play loop" running,
// the keys move the end and then the start to rising zero crossings, the
// loop check calls the junction clean, the output plays the moved loop from a
// wrap on, and the saved file's sampler chunk holds the moved points.
TEST_F(PlaybackWindowTest, HandMovedLoopIsHeardCheckedAndSaved)
{
    std::vector<int16_t> pcm(40000);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * double(i % 100) / 100)));
    wavbytes::WavLayout w;
    w.data = wavbytes::pcm16(pcm);
    w.loop = wavbytes::SamplerLoop{0, 10001, 30049};
    const std::string path = folder + "/steady.wav";
    ASSERT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
    openSound(path);
    ASSERT_EQ(loopStart(), 10000);
    ASSERT_EQ(loopEnd(), 30049);
    dlg->crossfadeLength = 0;
    dlg->doc.cutAfterLoop = 0;
    dlg->doc.tuneSampleRate = 0;
    dlg->onShowJunction();
    CJunctionView* view = dlg->junctionPanel()->view();
    EXPECT_EQ(dlg->junctionPanel()->checkText().Find("clean"), wxNOT_FOUND);

    device().setRecording(true);
    dlg->onPlayLoopAlone();
    ASSERT_TRUE(started());
    play(25000);
    // x[i] < 0 <= x[i + 1] at i = 99 mod 100: the end goes back to 29999, the
    // start back to 9999, and the loop holds 200 whole periods.
    view->handleKey(WXK_LEFT, true, false);
    view->handleKey(WXK_TAB, false, false);
    view->handleKey(WXK_LEFT, true, false);
    EXPECT_EQ(loopStart(), 9999);
    EXPECT_EQ(loopEnd(), 29999);
    EXPECT_NE(dlg->junctionPanel()->checkText().Find("clean"), wxNOT_FOUND);
    play(100000);
    dlg->stopPlayback();

    // From the last switch on, the output is the moved loop, x[10000], ...
    const std::vector<int64_t> switches = engine().loopSwitchPositions();
    ASSERT_FALSE(switches.empty());
    const int64_t p = switches.back();
    const std::vector<float> out = device().takeRecording();
    ASSERT_GE(int64_t(out.size() / 2), p + 40000);
    int wrong = 0;
    for (int64_t k = 0; k < 40000; ++k)
        wrong += out[size_t(2 * (p + k))] != pcm[size_t(10000 + k % 20000)] / 32768.0f;
    EXPECT_EQ(wrong, 0) << "after the switch at " << p;

    dlg->onSave();
    // The sampler chunk as written: its first loop's start and end (offsets
    // 44 and 48 past the tag hold the first loop's start and end).
    std::vector<uint8_t> file;
    ASSERT_TRUE(readFileBytes(path, file));
    size_t at = 12;
    while (at + 8 <= file.size() && std::memcmp(&file[at], "smpl", 4) != 0)
        at += 8 + ((file[at + 4] | file[at + 5] << 8 | file[at + 6] << 16 | uint32_t(file[at + 7]) << 24) + 1) / 2 * 2;
    ASSERT_LE(at + 60, file.size()) << "no sampler chunk";
    auto u32 = [&](size_t o) { return file[o] | file[o + 1] << 8 | file[o + 2] << 16 | uint32_t(file[o + 3]) << 24; };
    EXPECT_EQ(u32(at + 8 + 36 + 8), 10000u);
    EXPECT_EQ(u32(at + 8 + 36 + 12), 29999u);
}
