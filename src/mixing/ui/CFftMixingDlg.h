#pragma once
// "New by FFT mixing" (dialog 165): two WAV files are loaded and analysed,
// tuned to one destination note at one rate, mixed and equalised
// (mixing/fft_mixing.h), auditioned, and on OK handed to the caller, which
// makes the result its document.
//
// The inputs and the result live in the main window (they outlive the
// dialog, so Cancel keeps them for the next opening); the two converted
// inputs belong to the dialog. Previews play through the main window's
// engine and are stopped before anything they read is replaced or freed.

#include "mixing/fft_mixing.h"

#include <wx/dialog.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>
#include <string>

struct PlaybackSource;

// What the dialog uses of its owner: the two inputs and the last mix, which
// the owner keeps between openings, and the calls that play a preview on the
// owner's engine (`source` at rateHz in mode 9, 10 or 11) and end it.
struct MixingHost {
    MixInput* inputs;   // two of them
    MixResult& result;
    std::function<bool(int32_t mode, const PlaybackSource& source, int32_t rateHz)> startPreview;
    std::function<void()> stopPreview;
};

class CBitmapButton;
class COverviewStrip;
class CUpDownCtrl;
class wxButton;
class wxCheckBox;
class wxChoice;
class wxSlider;
class wxStaticText;
class wxTextCtrl;

class CFftMixingDlg : public wxDialog {
public:
    enum {
        IDD = 165,
        IDC_LOAD1 = 1000,
        IDC_LOAD2 = 1001,
        IDC_PLAY1 = 1002,
        IDC_PLAY2 = 1003,
        IDC_PLAY_MIX = 1004,
        IDC_MIX = 1005,
        IDC_GAIN_SPIN = 1022,
        IDC_HARMONICS_SPIN = 1023,
        IDC_DELAY_SPIN = 1033,
        IDC_HARMONICS_EDIT = 1039,
        IDC_DELAY_EDIT = 1040,
        IDC_AT_DESTINATION = 1061,
        IDC_INHARMONIC_SLIDER = 1053,
        IDC_HARMONIC_SLIDER = 1054,
        IDC_NAME1 = 1090,
        IDC_NAME2 = 1091,
        IDC_PITCH1 = 1092,
        IDC_PITCH2 = 1093,
        IDC_NOTE1 = 1094,
        IDC_NOTE2 = 1095,
        IDC_INHARMONIC_LABEL = 1096,
        IDC_DEST_NOTE = 1097,
        IDC_DEST_FREQUENCY = 1098,
        IDC_HARMONIC_LABEL = 1099,
        IDC_GAIN_EDIT = 1100,
        IDC_PERIOD1 = 1101,
        IDC_RESULT = 1102,
        IDC_ORDINAL = 1103,
        IDC_DELAYED_SOUND = 1104,
        IDC_PERIOD2 = 1105,
        IDC_LENGTH_RULE = 1110,
        IDC_MAX_RATE = 1111,
        IDC_REFINE1 = 1123,
        IDC_REFINE2 = 1124,
        kPlayTimer1 = 4,
        kPlayTimer2 = 5,
        kPlayMixTimer = 6,
    };

    // askToSave: the caller's sound has unsaved changes, so OK asks whether
    // to save documentName first.
    CFftMixingDlg(wxWindow* parent, MixingHost host, const MixSettings& settings, const std::string& documentName,
                  bool askToSave);
    ~CFftMixingDlg() override;

    // The settings as the controls left them; the caller stores them on OK.
    const MixSettings& settings() const { return settings_; }
    // OK was pressed after a Yes to the save question.
    bool saveFirst() const { return saveFirst_; }
    int destinationNote() const { return destNote_; }
    int32_t destinationRate() const { return destRate_; }

    // The controls' actions, public for tests.
    bool loadSound(int index, const std::string& path);
    void openLoadDialog(int index);
    void refinePitch(int index);
    void mix();
    void togglePlay(int index); // 0, 1: the inputs; 2: the mix
    void stopPreview();
    int playing() const { return playing_; } // the preview's mode, 0 when none
    // The save question when asked for; true when the dialog may close
    // with OK (a mix exists and the answer was not Cancel).
    bool confirmOk();
    void onOk();

    wxButton* mixButton() const { return mix_; }
    wxButton* playMixButton() const { return playMix_; }
    wxButton* okButton() const { return ok_; }
    CBitmapButton* playButton(int index) const { return play_[index]; }
    CBitmapButton* refineButton(int index) const { return refine_[index]; }
    wxChoice* destinationChoice() const { return destChoice_; }
    wxSlider* inharmonicSlider() const { return inharmonicSlider_; }
    wxSlider* harmonicSlider() const { return harmonicSlider_; }
    wxTextCtrl* harmonicsEdit() const { return harmonicsEdit_; }
    wxTextCtrl* delayEdit() const { return delayEdit_; }
    wxCheckBox* atDestinationBox() const { return atDestination_; }
    COverviewStrip* resultStrip() const { return resultStrip_; }
    std::string labelText(int id) const;

    // Any preview ends before the dialog goes.
    void EndModal(int code) override;

private:
    void createControls();
    void initControls();
    void analyse(int index, const double hintsHz[2]);
    void showInput(int index);
    void setDestinationNote(int note);
    void updateMixEnabled();
    void settingChanged(bool needsResample);
    void readEdits();
    void onPlayTimer(int index);

    MixingHost host_;
    MixSettings settings_;
    std::string documentName_;
    bool askToSave_;
    bool saveFirst_ = false;
    int destNote_ = 60;
    int32_t destRate_ = 0;
    bool resampleNeeded_ = true;
    ResampledInput converted_[2];
    int playing_ = 0;
    wxTimer timers_[3];

    CBitmapButton* load_[2] = {nullptr, nullptr};
    CBitmapButton* play_[2] = {nullptr, nullptr};
    CBitmapButton* refine_[2] = {nullptr, nullptr};
    wxButton* mix_ = nullptr;
    wxButton* playMix_ = nullptr;
    wxButton* ok_ = nullptr;
    wxChoice* destChoice_ = nullptr;
    wxChoice* delayedChoice_ = nullptr;
    wxChoice* lengthChoice_ = nullptr;
    wxChoice* maxRateChoice_ = nullptr;
    wxSlider* inharmonicSlider_ = nullptr;
    wxSlider* harmonicSlider_ = nullptr;
    wxTextCtrl* harmonicsEdit_ = nullptr;
    wxTextCtrl* gainEdit_ = nullptr;
    wxTextCtrl* delayEdit_ = nullptr;
    CUpDownCtrl* harmonicsSpin_ = nullptr;
    CUpDownCtrl* gainSpin_ = nullptr;
    CUpDownCtrl* delaySpin_ = nullptr;
    wxCheckBox* atDestination_ = nullptr;
    COverviewStrip* resultStrip_ = nullptr;
    bool ready_ = false; // controls set up: change events may act
};
