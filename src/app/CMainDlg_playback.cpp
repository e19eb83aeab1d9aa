// Playback from the main window: the output device, the four play buttons,
// the loop built before each loop playback, and the play cursor.
//
// The engine's worker reports on its own thread. Its reports reach the window
// through the application's CallAfter queue with a PlaybackRelay: the worker
// only touches the relay's atomics, and the window behind the relay's weak
// reference is looked at on the window's thread alone. Cursor reports are
// coalesced: while one post is pending the worker just updates the latest
// position, so a slow window never sees a backlog.

#include "app/CMainDlg.h"

#include "platform/ui/CBitmapButton.h"
#include "loop/crossfade.h"
#include "platform/null_audio_device.h"
#include "platform/ui/MessageBox.h"
#include "playback/PlaybackEngine.h"
#include "views/ui/WaveformView.h"

#include <wx/app.h>

#include <algorithm>
#include <atomic>

struct CMainDlg::PlaybackRelay {
    wxWeakRef<CMainDlg> window; // set and read on the window's thread only
    std::atomic<int64_t> played{0};
    std::atomic<int32_t> position{-1}; // -1: erase the cursor
    std::atomic<bool> cursorPosted{false};
};

namespace {

constexpr int kPlayButtons[] = {ID_PLAY, ID_PLAY_CL, ID_PLAY_LOOP, ID_PLAY_SA};

bool isLoopMode(int32_t mode)
{
    return mode >= PlayLoopForward && mode <= PlaySampleLoopAlternate;
}

bool isAlternateMode(int32_t mode)
{
    return mode == PlayLoopAlternate || mode == PlaySampleLoopAlternate;
}

} // namespace

CMainDlg::PlaybackDeviceOptions& CMainDlg::playbackDeviceOptions()
{
    static PlaybackDeviceOptions options;
    return options;
}

std::function<std::unique_ptr<AudioDevice>()>& CMainDlg::PlaybackDeviceOptions::givenDevice()
{
    static std::function<std::unique_ptr<AudioDevice>()> make;
    return make;
}

bool CMainDlg::initPlaybackDevice()
{
    for (int id : kPlayButtons)
        if (CBitmapButton* button = toolbarButton(id))
            button->setToggle(true);

    playbackRelay_ = std::make_shared<PlaybackRelay>();
    playbackRelay_->window = this;
    playback_ = std::make_shared<PlaybackEngine>();
    playback_->setSound(&playSound_);

    const PlaybackDeviceOptions& options = playbackDeviceOptions();
    bool opened = false;
    switch (options.output) {
    case PlaybackDeviceOptions::Output::System: opened = playback_->initDevice(); break;
    case PlaybackDeviceOptions::Output::NullRealTime:
        opened = playback_->initDevice(
            std::make_unique<NullAudioDevice>(NullAudioDevice::Clock::RealTime, options.speed));
        break;
    case PlaybackDeviceOptions::Output::NullManual:
        opened = playback_->initDevice(std::make_unique<NullAudioDevice>(NullAudioDevice::Clock::Manual));
        break;
    case PlaybackDeviceOptions::Output::Given:
        if (const auto& make = PlaybackDeviceOptions::givenDevice())
            opened = playback_->initDevice(make());
        break;
    }

    // Both callbacks run on the worker: they store, post, and return.
    std::shared_ptr<PlaybackRelay> relay = playbackRelay_;
    playback_->setCursorCallback([relay](int64_t played, int32_t position) {
        relay->played.store(played);
        relay->position.store(position);
        if (!relay->cursorPosted.exchange(true) && wxTheApp)
            wxTheApp->CallAfter([relay] {
                if (CMainDlg* window = relay->window)
                    window->onPlayCursorPosted();
            });
    });
    playback_->setEndCallback([relay](int32_t) {
        if (wxTheApp)
            wxTheApp->CallAfter([relay] {
                if (CMainDlg* window = relay->window)
                    window->onTimer();
            });
    });

    // Without a sound card the silent null device keeps every command
    // working; the user is told once that nothing will be heard.
    return opened && (playback_->hasSoundCard() || !options.warnWithoutSoundCard);
}

void CMainDlg::rebuildPlaybackBuffers()
{
    // The rings are recreated for the new rate: nothing may play from them.
    stopPlayback();
    if (!playback_ || !doc.isLoaded())
        return;
    const int32_t ring = PlaybackEngine::ringSamplesFor(doc.sampleRate);
    for (int ch = 0; ch < std::min<int>(doc.channels, 2); ++ch)
        playback_->createChannelBuffer(doc.sampleRate, ring, ch);
    // A ring that could not be made leaves the play commands silent: the
    // engine refuses to start, and the button is released at once.
}

void CMainDlg::stopPlaybackTimerIfRunning()
{
    stopPlayback();
}

void CMainDlg::stopPlayback()
{
    if (playback_)
        playback_->stopPlayback(); // joins the worker
    releasePlayButton();
    if (WaveformView* view = waveform())
        view->hideCursor();
    // The copy is not needed until the next start; a long sound is not kept twice.
    playSound_ = SampleBuffer();
}

void CMainDlg::releasePlayButton()
{
    for (int id : kPlayButtons)
        if (CBitmapButton* button = toolbarButton(id))
            button->setPressed(false);
    if (playingButton_ != 0)
        setToolTipText(playingButton_, playingToolTip_);
    playingButton_ = 0;
}

void CMainDlg::onPlayOneShot() { startPlaybackFrom(ID_PLAY, PlayOneShot); }

void CMainDlg::onPlaySample()
{
    startPlaybackFrom(ID_PLAY_CL, doc.loopForward ? PlaySampleLoopForward : PlaySampleLoopAlternate);
}

void CMainDlg::onPlayLoopAlone()
{
    startPlaybackFrom(ID_PLAY_LOOP, doc.loopForward ? PlayLoopForward : PlayLoopAlternate);
}

void CMainDlg::startPlaybackFrom(int buttonId, int32_t mode)
{
    focusDefaultButton();
    CBitmapButton* button = toolbarButton(buttonId);
    // Any play button only stops a running playback.
    if (playingButton_ != 0 || (playback_ && playback_->playMode.load() != PlayIdle)) {
        stopPlayback();
        return;
    }
    if (!playback_ || !doc.isLoaded()) {
        if (button)
            button->setPressed(false);
        return;
    }
    fallBackIfSoundCardLost();

    if (isLoopMode(mode)) {
        const CrossfadeSettings fade{static_cast<CrossfadeKind>(std::clamp(crossfadeKind, 0, 2)), crossfadeLength,
                                     crossfadePasses};
        if (isAlternateMode(mode))
            buildAlternateLoop(doc, fade);
        else
            buildForwardLoop(doc, fade);
    }
    // A one-shot that ended by itself has left its worker to be joined
    // before the relay is reset for the next playback.
    playback_->stopPlayback();
    takePlaybackSnapshot(mode);

    const int slot = playSound_.loops.currentSolution;
    const bool slotValid = slot >= 0 && slot < SolutionTable::kSlots;
    const int32_t s = slotValid ? playSound_.loops.loopStart[slot] : -1;
    const int32_t e = slotValid ? playSound_.loops.loopEnd[slot] : -1;
    const int32_t start = PlaybackEngine::soundPositionOf(mode, 0, s, e, playSound_.sampleCount);
    playbackRelay_->played.store(0);
    playbackRelay_->position.store(start);
    WaveformView* view = waveform();
    if (view)
        playback_->setCursorGranularity(static_cast<int32_t>(view->columns().samplesPerPixel));

    if (playback_->startPlayback(mode, view != nullptr) != PlaybackEngine::StartResult::Started) {
        playSound_ = SampleBuffer();
        if (button)
            button->setPressed(false);
        return;
    }
    playingButton_ = buttonId;
    if (button) {
        button->setPressed(true);
        playingToolTip_ = button->GetToolTipText().ToStdString(wxConvUTF8);
    }
    setToolTipText(buttonId, "Stop");
    cursorPlayed_ = 0;
    if (view)
        view->showCursor(start);
}

// Only what the mode reads is copied: the samples, and the loop buffer or the
// harmonic of this playback.
void CMainDlg::takePlaybackSnapshot(int32_t mode)
{
    playSound_ = SampleBuffer();
    playSound_.sampleCount = doc.sampleCount;
    playSound_.sampleRate = doc.sampleRate;
    playSound_.channels = doc.channels;
    playSound_.loops = doc.loops;
    const int channels = std::min<int>(doc.channels, 2);
    for (int ch = 0; ch < channels; ++ch)
        playSound_.samples[ch] = doc.samples[ch];
    if (mode == PlayHarmonic)
        playSound_.scratch = doc.scratch;
    if (!isLoopMode(mode))
        return;
    const int slot = doc.loops.currentSolution;
    if (slot < 0 || slot >= SolutionTable::kSlots || !doc.loops.hasLoop(slot))
        return;
    const int64_t length = static_cast<int64_t>(doc.loops.loopEnd[slot]) - doc.loops.loopStart[slot];
    const bool alternate = isAlternateMode(mode);
    for (int ch = 0; ch < channels; ++ch) {
        const std::vector<int16_t>& from = alternate ? doc.pingPong[ch] : doc.loopBody[ch];
        std::vector<int16_t>& to = alternate ? playSound_.pingPong[ch] : playSound_.loopBody[ch];
        const size_t n = static_cast<size_t>(std::clamp<int64_t>(alternate ? 2 * length : length, 0,
                                                                 static_cast<int64_t>(from.size())));
        to.assign(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(n));
    }
}

void CMainDlg::onPlayCursorPosted()
{
    playbackRelay_->cursorPosted.store(false);
    WaveformView* view = waveform();
    if (!view)
        return;
    const int32_t position = playbackRelay_->position.load();
    const int64_t played = playbackRelay_->played.load();
    if (position < 0 || playingButton_ == 0) {
        view->hideCursor();
        return;
    }
    const int32_t mode = playback_->playMode.load();
    const int slot = playSound_.loops.currentSolution;
    // The view folds the cursor into its own loop: that is only right while
    // it shows the loop being played.
    const bool viewFolds = !isLoopMode(mode) ||
                           (slot >= 0 && slot < SolutionTable::kSlots &&
                            view->loopStart() == playSound_.loops.loopStart[slot] &&
                            view->loopEnd() == playSound_.loops.loopEnd[slot]);
    if (mode == PlayIdle || !view->cursorShown() || played < cursorPlayed_ || !viewFolds)
        view->showCursor(position);
    else if (played > cursorPlayed_)
        view->advanceCursor(played - cursorPlayed_, mode);
    cursorPlayed_ = played;
}

// The end of a one-shot or single-harmonic playback (the engine ends them
// itself once the device has played their last sample).
void CMainDlg::onTimer()
{
    // A playback started since that end is left alone.
    if (!playback_ || playback_->playMode.load() != PlayIdle || playingButton_ == 0)
        return;
    stopPlayback();
    fallBackIfSoundCardLost();
}

void CMainDlg::fallBackIfSoundCardLost()
{
    if (!playback_ || !playback_->fallBackIfCardLost())
        return;
    if (playbackDeviceOptions().warnWithoutSoundCard)
        showMessage(this, PlaybackEngine::soundOutputLostText());
}
