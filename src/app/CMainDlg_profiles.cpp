// The profile area of the main window: show and hide, Recalculate, the FFT
// window and overlap settings, the profile computation on its worker thread
// (started after loads, undo, redo and edits), the two profile displays and
// "Play selected harmonic alone".
//
// The worker computes over its own copy of the sound; its news reach the
// window through CallAfter with the run's serial, so news of a run that was
// replaced meanwhile are ignored. The window joins a run before it goes.

#include "app/CMainDlg.h"

#include "platform/ui/CBitmapButton.h"
#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/Shell.h"
#include "playback/PlaybackEngine.h"
#include "views/ui/CProfileView.h"
#include "views/ui/WaveformView.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/timer.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kHarmonicTimerId = 2; // the main window's one-shot timer
constexpr int kFftWindowEntries = 8; // "128" .. "16384"

// Entry i of the FFT window combo is 2^(i + 7).
void showFrameSize(wxWindow* combo, int frameSize)
{
    const int entry = static_cast<int>(std::lround(std::log2(frameSize))) - 7;
    static_cast<wxChoice*>(combo)->SetSelection(std::clamp(entry, 0, kFftWindowEntries - 1));
}

} // namespace

void CMainDlg::attachProfileViews()
{
    frequencyProfileView_ = new CProfileView(panel(), ID_FREQUENCY_PROFILE, ProfileKind::Frequency);
    replaceView(ID_FREQUENCY_PROFILE, frequencyProfileView_);
    amplitudeProfileView_ = new CProfileView(panel(), ID_AMPLITUDE_PROFILE, ProfileKind::Amplitude);
    replaceView(ID_AMPLITUDE_PROFILE, amplitudeProfileView_);
    frequencyProfileView_->setTitleControl(control(ID_FREQUENCY_TITLE));

    // Time to the window's X read-out, cents or dB to the profile area's own.
    auto readout = [this](const wxString& time, const wxString& value) {
        setText(ID_MOUSE_X, time.ToStdString(wxConvUTF8));
        setText(ID_PROFILE_READOUT, value.ToStdString(wxConvUTF8));
    };
    frequencyProfileView_->setReadoutHook(readout);
    amplitudeProfileView_->setReadoutHook(readout);

    // The bands follow the waveform's selection column for column.
    waveform()->setBandHook([this](const std::vector<ColumnSpan>&) {
        for (CProfileView* view : {frequencyProfileView_, amplitudeProfileView_})
            view->setBand(waveform()->selectionBandLeft(), waveform()->selectionBandRight());
    });

    harmonicTimer_ = std::make_unique<wxTimer>(this, kHarmonicTimerId);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { onHarmonicTimer(); }, kHarmonicTimerId);
}

// ---- show, hide and the settings ---------------------------------------------

void CMainDlg::onShowProfiles()
{
    focusDefaultButton();
    if (junctionShown())
        onShowJunction(); // the junction gives the area back first
    doc.profilesShown = !doc.profilesShown;
    const wxSize client = GetClientSize();
    const int grow = doc.profilesShown ? profileAreaHeight() : -profileAreaHeight();
    SetSizeHints(wxDefaultSize, wxDefaultSize);
    SetClientSize(client.x, client.y + grow);
    SetSizeHints(GetSize(), GetSize());
    if (!doc.profilesShown) {
        setText(ID_SHOW_PROFILES, "Show profiles >>");
        setControlEnabled(ID_PLAY_SA, false);
        return;
    }
    setText(ID_SHOW_PROFILES, "<< Hide profiles");
    disableControl(ID_RECALCULATE);
    showFrameSize(control(ID_FFT_WINDOW), profileState.settings.frameSize);
    upDown(ID_OVERLAP_SPIN)->setPosition(profileState.settings.overlapPercent);
    startProfileRefresh();
}

void CMainDlg::onRecalculate()
{
    disableControl(ID_RECALCULATE);
    focusDefaultButton();
    if (doc.isLoaded())
        startProfileRun();
}

void CMainDlg::onFftWindowChanged()
{
    const int entry = static_cast<wxChoice*>(control(ID_FFT_WINDOW))->GetSelection();
    if (entry < 0)
        return;
    profileState.settings.frameSize = 1 << (entry + 7);
    enableControl(ID_RECALCULATE);
}

void CMainDlg::onOverlapChanged()
{
    // Read when the edit changes: the spin clamps what was typed to 0 .. 90.
    profileState.settings.overlapPercent = static_cast<int16_t>(std::clamp(upDown(ID_OVERLAP_SPIN)->position(), 0, 90));
    enableControl(ID_RECALCULATE);
}

void CMainDlg::showProfileHarmonic()
{
    for (CProfileView* view : {frequencyProfileView_, amplitudeProfileView_})
        if (view)
            view->setHarmonicIndex(harmonic - 1);
}

// ---- the computation -----------------------------------------------------------

void CMainDlg::startProfileRefresh()
{
    if (doc.profilesShown && doc.isLoaded()) {
        startProfileRun();
        return;
    }
    // Hidden: the profiles no longer describe this sound; Show computes anew.
    profilesReady = false;
    for (CProfileView* view : {frequencyProfileView_, amplitudeProfileView_})
        view->setReady(false);
}

void CMainDlg::startProfileRun()
{
    profilesReady = false;
    for (CProfileView* view : {frequencyProfileView_, amplitudeProfileView_})
        view->setReady(false);
    setControlEnabled(ID_PLAY_SA, false);
    // A search keeps the commands locked itself and unlocks them at its end.
    if (!searching && !profileLocked_) {
        lockCommands(0);
        profileLocked_ = true;
    }

    ProfileJob job;
    job.channels = std::min<int>(doc.channels, 2);
    job.sampleCount = doc.sampleCount;
    job.sampleRate = doc.sampleRate;
    job.pitchHz = doc.pitchHz;
    job.settings = profileState.settings;
    for (int c = 0; c < job.channels; ++c)
        job.samples[c] = doc.samples[c];

    // A run still going is stopped and joined by start(): its late news carry
    // an old serial and are dropped.
    profileSerial_ = profileState.worker.start(
        std::move(job),
        [this](unsigned serial, int position, int range) {
            // About fifty steps of the bar are enough: not one event per frame.
            const int step = std::max(1, range / 50);
            if (position % step == 0 || position == range)
                CallAfter([this, serial, position, range] { showProfileProgress(serial, position, range); });
        },
        [this](unsigned serial) { CallAfter([this, serial] { finishProfiles(serial); }); });
}

void CMainDlg::showProfileProgress(unsigned serial, int position, int range)
{
    if (serial != profileSerial_ || closing_)
        return;
    if (position == 0)
        showProgress();
    setProgress(position, range);
}

void CMainDlg::finishProfiles(unsigned serial)
{
    if (serial != profileSerial_ || closing_)
        return;
    const std::shared_ptr<ProfileRun> run = profileState.worker.take(serial);
    if (!run)
        return;
    profileSerial_ = 0;
    const bool computed = run->outcome == ProfileOutcome::Computed;
    hideProgress();
    if (computed) {
        defaultBeep();
        // The frame size may have grown to hold four periods, or shrunk to
        // fit a short sound: kept, and the combo says so.
        profileState.settings.frameSize = run->results.frameSize;
        showFrameSize(control(ID_FFT_WINDOW), profileState.settings.frameSize);
        profileState.results = std::make_shared<const HarmonicProfiles>(std::move(run->results));
    } else {
        profileState.results.reset();
    }
    profilesReady = computed;
    for (CProfileView* view : {frequencyProfileView_, amplitudeProfileView_}) {
        view->setProfiles(profileState.results);
        view->setHarmonicIndex(harmonic - 1);
        view->setReady(computed);
    }
    if (profileLocked_) {
        profileLocked_ = false;
        if (!searching)
            unlockCommands();
    }
    // A search still running keeps its lock; its end enables Play harmonic.
    if (!searching)
        setControlEnabled(ID_PLAY_SA, doc.profilesShown && profilesReady);
}

void CMainDlg::waitForProfiles()
{
    if (profileSerial_ == 0)
        return;
    profileState.worker.wait();
    const unsigned serial = profileSerial_;
    finishProfiles(serial);
}

// ---- Play selected harmonic alone ---------------------------------------------

bool CMainDlg::synthesizeSelectedHarmonic()
{
    const HarmonicProfiles* profiles = profileState.results.get();
    if (!doc.isLoaded() || !profilesReady || !profiles || profiles->sampleCount != doc.sampleCount)
        return false;
    const int channel = std::min(frequencyProfileView_->model().frontChannel(), profiles->channels - 1);
    doc.scratch.assign(static_cast<size_t>(doc.sampleCount), 0);
    // Played at the sound's rate now, which Change sample rate or Tune may
    // have relabelled since the analysis.
    return synthesize_harmonic(*profiles, channel, harmonic, doc.channelPitch[channel], doc.sampleRate,
                               doc.scratch.data(), doc.sampleCount) > 0;
}

void CMainDlg::onPlayHarmonic()
{
    const bool idle = playingButton() == 0 && (!playbackEngine() || playbackEngine()->playMode.load() == PlayIdle);
    if (idle && !synthesizeSelectedHarmonic()) {
        focusDefaultButton();
        if (CBitmapButton* button = toolbarButton(ID_PLAY_SA))
            button->setPressed(false);
        return;
    }
    startPlaybackFrom(ID_PLAY_SA, PlayHarmonic);
    if (!idle) {
        harmonicTimer_->Stop();
        return;
    }
    if (playingButton() != ID_PLAY_SA)
        return;
    // The harmonic lasts hop * F samples; the rest of the buffer is silence.
    const HarmonicProfiles& p = *profileState.results;
    const int64_t ms = static_cast<int64_t>(static_cast<double>(p.hop) * p.frames * 1000.0 / doc.sampleRate);
    harmonicTimer_->StartOnce(static_cast<int>(std::max<int64_t>(ms, 1)));
}

void CMainDlg::onHarmonicTimer()
{
    if (playingButton() == ID_PLAY_SA)
        stopPlayback();
}
