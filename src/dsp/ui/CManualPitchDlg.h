#pragma once
// "Manual pitch detection" (dialog 170): the user points at the fundamental
// of each channel on a full-width spectrum, by clicking or with one slider per
// channel (one FFT bin per arrow key). The dialog only chooses the bins; the
// caller applies them as hints to its pitch detection (dsp/manual_pitch.h).
// It works on the sound it is given, so any owner of a sound can use it.

#include "dsp/manual_pitch.h"

#include <wx/dialog.h>

class CManualPitchView;
class wxSlider;
class wxStaticText;

class CManualPitchDlg : public wxDialog {
public:
    enum {
        IDD = 170,
        IDC_PITCH_SLIDER1 = 1053,
        IDC_PITCH_SLIDER2 = 1054,
        IDC_FREQUENCY1 = 1073,
        IDC_FREQUENCY2 = 1074,
        IDC_NOTE1 = 1075,
        IDC_NOTE2 = 1076,
        IDC_SPECTRUM = 1107,
        IDC_PITCH_LABEL2 = 1108,
    };

    // `sound` must outlive the dialog. startBins: each channel's current
    // pitch in bins (N * f / R).
    CManualPitchDlg(wxWindow* parent, const ManualPitchSound& sound, const double startBins[2]);

    // The chosen bins: each follows its slider's position; read after
    // wxID_OK only.
    double bins[2] = {0.0, 0.0};

    wxSlider* slider(int channel) const { return sliders_[channel]; }
    wxStaticText* frequencyText(int channel) const { return frequencies_[channel]; }
    wxStaticText* noteText(int channel) const { return notes_[channel]; }
    CManualPitchView* view() const { return view_; }

    // Sliders at trunc(bin + 0.5) (kept in 0 .. N/2 - 1), texts and markers
    // written from them.
    bool TransferDataToWindow() override;

private:
    // Native sliders send no paint notification: the bin, its texts and
    // the marker follow every value change instead.
    void onSliderChanged(wxCommandEvent& event);
    void onSliderScrolled(wxScrollEvent& event);
    void readSlider(int channel);
    void onViewClicked(int channel, double bin);

    ManualPitchSound sound_;
    wxSlider* sliders_[2] = {nullptr, nullptr};
    wxStaticText* frequencies_[2] = {nullptr, nullptr};
    wxStaticText* notes_[2] = {nullptr, nullptr};
    CManualPitchView* view_ = nullptr;
};
