// Command routing, locking and unlocking of the command set, leaving the
// program, help, About and the development controls.

#include "app/CAboutDlg.h"
#include "platform/ui/CBitmapButton.h"
#include "app/CMainDlg.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"

#include <wx/accel.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/spinbutt.h>
#include <wx/textctrl.h>

namespace {

// Commands reached by a menu item, a button, or both (same id).
struct Route {
    int id;
    void (CMainDlg::*handler)();
};

const Route kRoutes[] = {
    {ID_NEW, &CMainDlg::onNewMix},
    {ID_LOAD, &CMainDlg::onOpen},
    {ID_SAVE, &CMainDlg::onSave},
    {ID_SAVE_AS, &CMainDlg::onSaveAs},
    {ID_EXIT, &CMainDlg::onExit},
    {ID_CANCEL, &CMainDlg::onCancel},
    {ID_SEARCH, &CMainDlg::onSearch},
    {ID_AUTO_LOOP, &CMainDlg::onAutoLoop},
    {ID_UNDO, &CMainDlg::onUndo},
    {ID_REDO, &CMainDlg::onRedo},
    {ID_REFINE_PITCH, &CMainDlg::onManualPitch},
    {ID_CUTBOOST, &CMainDlg::onCutBoost},
    {ID_ENHANCE, &CMainDlg::onEnhanceSmooth},
    {ID_HIPASS, &CMainDlg::onCleanLowFrequencies},
    {ID_VOLUME, &CMainDlg::onVolume},
    {ID_NORMALIZE, &CMainDlg::onNormalize},
    {ID_RESAMPLE, &CMainDlg::onResample},
    {ID_PITCH, &CMainDlg::onPitchShift},
    {ID_CHANGE_RATE, &CMainDlg::onChangeSampleRate},
    {ID_TUNE, &CMainDlg::onTune},
    {ID_INHARMONIC_EXTRACTION, &CMainDlg::onInharmonicExtraction},
    {ID_HARMONIC_EXTRACTION, &CMainDlg::onHarmonicExtraction},
    {ID_DEV_RS, &CMainDlg::onDevelopmentRS},
    {ID_DEV_TRAK, &CMainDlg::onDevelopmentTrak},
    {ID_DEV_CH, &CMainDlg::onDevelopmentCh},
    {ID_DEV_SL, &CMainDlg::onDevelopmentSl},
    {ID_BPM_SET, &CMainDlg::onBpmSet},
    {ID_CROSSFADE_OPTIONS, &CMainDlg::onCrossfadeOptions},
    {ID_SAVE_OPTIONS, &CMainDlg::onSaveOptions},
    {ID_FFT_OPTIONS, &CMainDlg::onFftOptions},
    {ID_PLAY, &CMainDlg::onPlayOneShot},
    {ID_PLAY_CL, &CMainDlg::onPlaySample},
    {ID_PLAY_LOOP, &CMainDlg::onPlayLoopAlone},
    {ID_PLAY_SA, &CMainDlg::onPlayHarmonic},
    {ID_SHOW_PROFILES, &CMainDlg::onShowProfiles},
    {ID_SHOW_JUNCTION, &CMainDlg::onShowJunction},
    {ID_RECALCULATE, &CMainDlg::onRecalculate},
    {ID_HELP_MANUAL, &CMainDlg::onHelp},
    {ID_ABOUT, &CMainDlg::onAbout},
    {ID_SYSMENU_ABOUT, &CMainDlg::onAbout},
    {ID_SHOW_DEVELOPMENT, &CMainDlg::showDevelopmentControls},
    {ID_KEEP_LOOP, &CMainDlg::onKeepLoop},
    {ID_REMOVE_LOOP, &CMainDlg::onRemoveLoop},
    {ID_PLACE_CUE, &CMainDlg::onPlaceCue},
};

// Every menu item that lockCommands may switch off.
const int kLockableMenuItems[] = {
    ID_NEW, ID_LOAD, ID_SAVE, ID_SAVE_AS, ID_EXIT, ID_SEARCH, ID_AUTO_LOOP, ID_UNDO, ID_REDO, ID_REFINE_PITCH, ID_CUTBOOST,
    ID_ENHANCE, ID_HIPASS, ID_VOLUME, ID_NORMALIZE, ID_RESAMPLE, ID_PITCH, ID_CHANGE_RATE, ID_INHARMONIC_EXTRACTION,
    ID_HARMONIC_EXTRACTION, ID_BPM_SET, ID_SAVE_OPTIONS, ID_FFT_OPTIONS,
};

const int kToolbarIds[] = {ID_NEW, ID_LOAD, ID_SAVE, ID_SAVE_AS, ID_UNDO, ID_REDO, ID_SEARCH,
                           ID_VOLUME, ID_NORMALIZE, ID_RESAMPLE, ID_PITCH, ID_HIPASS, ID_PLAY, ID_PLAY_CL,
                           ID_PLAY_LOOP, ID_PLAY_SA, ID_CUTBOOST, ID_REFINE_PITCH, ID_TUNE};

} // namespace

void CMainDlg::bindCommands()
{
    for (const Route& route : kRoutes) {
        auto run = [this, handler = route.handler, id = route.id] {
            if (!changesSamples(id) || agreeToSixteenBit())
                (this->*handler)();
        };
        Bind(wxEVT_MENU, [run](wxCommandEvent&) { run(); }, route.id);
        panel_->Bind(wxEVT_BUTTON, [run](wxCommandEvent&) { run(); }, route.id);
    }
    // After a toolbar click the hidden default button takes the focus, so
    // that no bitmap button keeps a focus frame.
    for (int id : kToolbarIds)
        panel_->Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) { focusDefaultButton(); e.Skip(); }, id);

    auto onText = [this](int id, void (CMainDlg::*handler)()) {
        panel_->Bind(wxEVT_TEXT, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
    };
    onText(ID_MIN_LOOP_EDIT, &CMainDlg::onMinLoopLengthChanged);
    onText(ID_MAX_LOOP_EDIT, &CMainDlg::onMaxLoopLengthChanged);
    onText(ID_HARMONIC_EDIT, &CMainDlg::onHarmonicChanged);
    onText(ID_OVERLAP_EDIT, &CMainDlg::onOverlapChanged);

    auto onChoice = [this](int id, void (CMainDlg::*handler)()) {
        panel_->Bind(wxEVT_CHOICE, [this, handler](wxCommandEvent&) { (this->*handler)(); }, id);
    };
    onChoice(ID_CROSSFADE_KIND, &CMainDlg::onCrossfadeKindChanged);
    onChoice(ID_LOOP_TYPE, &CMainDlg::onLoopTypeChanged);
    onChoice(ID_SOLUTIONS, &CMainDlg::onSolutionSelected);
    onChoice(ID_MIDI_NOTE, &CMainDlg::onMidiNoteChanged);
    onChoice(ID_FFT_WINDOW, &CMainDlg::onFftWindowChanged);

    // A GTK slider sends no paint notification: follow every value change.
    panel_->Bind(wxEVT_SLIDER, [this](wxCommandEvent&) { onCrossfadeSliderChanged(); }, ID_CROSSFADE_SLIDER);
    panel_->Bind(wxEVT_SCROLL_CHANGED, [this](wxScrollEvent&) { onCrossfadeSliderChanged(); }, ID_CROSSFADE_SLIDER);

    for (int id : {ID_KEEP_LOOP, ID_REMOVE_LOOP, ID_PLACE_CUE})
        Bind(wxEVT_UPDATE_UI, &CMainDlg::onUpdateMarkCommand, this, id);

    Bind(wxEVT_CLOSE_WINDOW, &CMainDlg::onClose, this);
    Bind(wxEVT_DROP_FILES, &CMainDlg::onDropFiles, this);

    wxAcceleratorEntry keys[2];
    keys[0].Set(wxACCEL_NORMAL, WXK_ESCAPE, ID_CANCEL);
    keys[1].Set(wxACCEL_CTRL | wxACCEL_SHIFT, 'D', ID_SHOW_DEVELOPMENT);
    SetAcceleratorTable(wxAcceleratorTable(2, keys));
}

// ---- locking -------------------------------------------------------------------

void CMainDlg::lockCommands(int keep)
{
    commandsLocked_ = true;
    for (int id : kLockableMenuItems)
        if (id != keep)
            enableMenuItem(id, false);
    for (int id : kToolbarIds)
        if (id != keep)
            disableControl(id);
    for (int id : {ID_ENHANCE, ID_EXIT, ID_SHOW_PROFILES, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE})
        if (id != keep)
            disableControl(id);
}

void CMainDlg::unlockCommands()
{
    commandsLocked_ = false;
    for (int id : {ID_NEW, ID_LOAD, ID_EXIT, ID_SAVE_AS, ID_FFT_OPTIONS, ID_REFINE_PITCH, ID_CUTBOOST, ID_ENHANCE,
                   ID_VOLUME, ID_NORMALIZE, ID_RESAMPLE, ID_PITCH, ID_CHANGE_RATE, ID_INHARMONIC_EXTRACTION,
                   ID_HARMONIC_EXTRACTION})
        enableMenuItem(id, true);
    for (int id : {ID_NEW, ID_LOAD, ID_SAVE_AS, ID_PLAY, ID_VOLUME, ID_NORMALIZE, ID_RESAMPLE, ID_PITCH, ID_CUTBOOST,
                   ID_REFINE_PITCH, ID_ENHANCE, ID_EXIT, ID_SHOW_PROFILES})
        enableControl(id);

    auto both = [this](int id, bool enabled) {
        enableMenuItem(id, enabled);
        setControlEnabled(id, enabled);
    };
    both(ID_UNDO, undoAvailable);
    both(ID_REDO, redoAvailable);
    setControlEnabled(ID_PLAY_SA, doc.profilesShown && profilesReady);
    both(ID_SEARCH, searchEnabled);
    enableMenuItem(ID_AUTO_LOOP, doc.isLoaded() && doc.pitchHz > 0.0);
    both(ID_SAVE, !doc.isSaved);
    const bool loop = doc.loops.hasLoop(doc.loops.currentSolution);
    enableMenuItem(ID_SAVE_OPTIONS, loop);
    enableMenuItem(ID_BPM_SET, loop);
    for (int id : {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE})
        setControlEnabled(id, loop);
    both(ID_HIPASS, doc.pitchHz > 32.0);
}

// ---- leaving -------------------------------------------------------------------

void CMainDlg::onExit()
{
    if (closing_ || !prepareToClose())
        return;
    closing_ = true;
    Destroy();
}

void CMainDlg::onCancel()
{
    if (closing_)
        return;
    if (showMessage(this, "Do you realy want to quit?", MessageButtons::YesNo, MessageIcon::Question) !=
        MessageAnswer::Yes)
        return;
    onExit();
}

void CMainDlg::onClose(wxCloseEvent& event)
{
    if (!event.CanVeto() || closing_) {
        closing_ = true;
        Destroy();
        return;
    }
    event.Veto();
    onCancel();
}

bool CMainDlg::askSaveChanges()
{
    if (!doc.isLoaded() || doc.isSaved)
        return true;
    const std::string name = doc.fileTitle.empty() ? "NoName" : doc.fileTitle;
    switch (showMessage(this, "Do you want to save changes to " + name + ".wav?", MessageButtons::YesNoCancel,
                        MessageIcon::Question)) {
    case MessageAnswer::Cancel: return false;
    case MessageAnswer::Yes: return saveDocument() || !lastSaveFailed;
    default: return true;
    }
}

bool CMainDlg::prepareToClose()
{
    stopPlaybackTimerIfRunning();
    if (!askSaveChanges())
        return false;
    releaseDocument();
    return true;
}

void CMainDlg::releaseDocument()
{
    doc = SampleBuffer();
    clearUndoHistory();
    // The playback engine's buffers go with it once the engine exists.
}

// ---- help, About, development controls ---------------------------------------

void CMainDlg::onHelp()
{
    if (!openManual(this, "index.html"))
        defaultBeep();
}

void CMainDlg::onAbout()
{
    CAboutDlg about(this);
    about.ShowModal();
}

void CMainDlg::showDevelopmentControls()
{
    if (developmentShown_)
        return;
    developmentShown_ = true;
    for (int id : {ID_DEV_RS, ID_DEV_TRAK, ID_DEV_CH, ID_DEV_SL, ID_INVERT_CHIFF, ID_EXPORT_TXT, ID_TUNE_CICLIC31})
        control(id)->Show();
    static_cast<wxCheckBox*>(control(ID_EXPORT_TXT))->SetValue(true);
    static_cast<wxCheckBox*>(control(ID_INVERT_CHIFF))->SetValue(true);
    disableControl(ID_DEV_CH);
    disableControl(ID_DEV_SL);
}
