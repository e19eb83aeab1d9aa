#pragma once
// "Resample" (dialog 162): the new sample rate, typed or picked from the
// editable list 1120. The dialog only reads the rate; the caller converts the
// sound (processing/resample.h).

#include <wx/dialog.h>

#include <cstdint>

class wxComboBox;

class CResampleDlg : public wxDialog {
public:
    enum { IDD = 162, IDC_RATE = 1120 };

    CResampleDlg(wxWindow* parent, int32_t startRate);

    // Set before ShowModal (the rate last accepted, or the sound's); read by
    // the caller after wxID_OK only.
    int32_t rate = 0;

    wxComboBox* rateCombo() const { return combo_; }

    // The rate written grouped (44100 as "44.100").
    bool TransferDataToWindow() override;
    // The rate parser over the combo's text: "Please enter a positive
    // number." for no number, a range message for a rate outside
    // 1 .. 768000; false (the dialog stays open, `rate` unchanged) after a
    // message.
    bool TransferDataFromWindow() override;

private:
    wxComboBox* combo_ = nullptr;
};
