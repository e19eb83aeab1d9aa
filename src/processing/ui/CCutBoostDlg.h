#pragma once
// "Parametric cut/boost filter" (dialog 163): one peaking filter tuned by gain,
// centre and width against the attack and sustain spectra of working copies
// of the sound. Apply filters the copies (cumulatively) and redraws; Play
// auditions the copies, or the untouched sound with Bypass; FFT options moves
// the main analysis window and with it the sustain spectrum. The dialog never
// touches the sound: after OK the caller commits the session
// (processing/cut_boost.h) when something was applied.
//
// The preview plays through the main window's engine; it is stopped before
// Apply rewrites the copies and before the dialog ends, so the engine's worker
// never reads a copy while it changes or after it is freed.

#include "processing/cut_boost.h"

#include <wx/dialog.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>

class PlaybackEngine;
struct PlaybackSource;

// What the dialog uses of its owner: the sound (read; FFT options moves its
// analysis window), the remembered dialog values, and the owner's playback
// engine with the calls that start and stop a preview on it.
struct CutBoostHost {
    SampleBuffer& doc;
    int16_t& gainDb;            // last typed, also when cancelled
    const int32_t& freqPosition;  // last committed with OK, -1 none
    const int32_t& widthPosition; // last committed with OK, -1 none
    // The engine of the moment (the owner may replace it), null without one.
    std::function<const PlaybackEngine*()> engine;
    std::function<bool(int32_t mode, const PlaybackSource& source)> startPreview;
    std::function<void()> stopPreview;
};
class CCutBoostSpectrumView;
class COverviewStrip;
class CUpDownCtrl;
class wxButton;
class wxCheckBox;
class wxSlider;
class wxStaticText;
class wxTextCtrl;

class CCutBoostDlg : public wxDialog {
public:
    enum {
        IDD = 163,
        IDC_APPLY = 1000,
        IDC_FFT_OPTIONS = 1001,
        IDC_PLAY = 1002,
        IDC_GAIN_SPIN = 1036,
        IDC_GAIN_EDIT = 1041,
        IDC_FREQ_SLIDER = 1053,
        IDC_WIDTH_SLIDER = 1054,
        IDC_BYPASS = 1061,
        IDC_SUSTAIN_VIEW = 1082,
        IDC_FREQ_LABEL = 1083,
        IDC_WIDTH_LABEL = 1084,
        IDC_GAIN_KIND = 1085,
        IDC_ATTACK_VIEW = 1086,
        IDC_ATTACK_STRIP = 1087,
        IDC_SUSTAIN_STRIP = 1088,
        IDC_ATTACK_SIZE = 1089,
        IDC_SUSTAIN_SIZE = 1090,
        IDC_SUSTAIN_HZ = 1109,
        IDC_SUSTAIN_DB = 1110,
        IDC_ATTACK_HZ = 1111,
        IDC_ATTACK_DB = 1112,
        kPlayTimerId = 3,
    };

    CCutBoostDlg(wxWindow* parent, CutBoostHost host);
    ~CCutBoostDlg() override;

    CutBoostSession& session() { return session_; }
    int freqPosition() const { return freqPosition_; }
    int widthPosition() const { return widthPosition_; }
    int gainDb() const;
    bool previewPlaying() const;

    // The controls' actions, public for tests.
    void apply();
    void togglePlay();
    void openFftOptions();
    void onPlayTimer();
    // Stops a preview started here (no-op otherwise).
    void stopPreview();

    CCutBoostSpectrumView* attackView() const { return attackView_; }
    CCutBoostSpectrumView* sustainView() const { return sustainView_; }
    COverviewStrip* attackStrip() const { return attackStrip_; }
    COverviewStrip* sustainStrip() const { return sustainStrip_; }
    wxSlider* freqSlider() const { return freqSlider_; }
    wxSlider* widthSlider() const { return widthSlider_; }
    CUpDownCtrl* gainSpin() const { return gainSpin_; }
    wxTextCtrl* gainEdit() const { return gainEdit_; }
    wxCheckBox* bypassBox() const { return bypass_; }
    wxButton* playButton() const { return play_; }
    std::string labelText(int id) const;

    // The preview ends before OK or Cancel take the dialog down.
    void EndModal(int code) override;

private:
    void createControls();
    // Frames, stretches, size labels and sliders for the current analysis
    // settings; the spectra are computed again.
    void setUpAnalysis();
    void setUpSliders();
    void onFreqChanged();
    void onWidthChanged();
    void onGainChanged();
    void updateShape();

    CutBoostHost host_;
    CutBoostSession session_;
    int freqPosition_ = 0;
    int widthPosition_ = 10;
    bool previewStarted_ = false;
    wxTimer playTimer_;

    CCutBoostSpectrumView* attackView_ = nullptr;
    CCutBoostSpectrumView* sustainView_ = nullptr;
    COverviewStrip* attackStrip_ = nullptr;
    COverviewStrip* sustainStrip_ = nullptr;
    wxSlider* freqSlider_ = nullptr;
    wxSlider* widthSlider_ = nullptr;
    CUpDownCtrl* gainSpin_ = nullptr;
    wxTextCtrl* gainEdit_ = nullptr;
    wxCheckBox* bypass_ = nullptr;
    wxButton* play_ = nullptr;
};
