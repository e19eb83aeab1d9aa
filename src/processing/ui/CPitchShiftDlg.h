#pragma once
// "Pitch shift" (dialog 167): semitones and cents chosen on the two
// transposition sliders. The dialog only chooses the interval; the caller
// converts the sound (processing/resample.h).

#include "processing/ui/TranspositionSliders.h"

#include <wx/dialog.h>

#include <cstdint>
#include <memory>

class CPitchShiftDlg : public wxDialog {
public:
    enum { IDD = 167 };

    // Start values: the interval last accepted.
    CPitchShiftDlg(wxWindow* parent, int16_t startSemitones, float startCents);
    ~CPitchShiftDlg() override;

    // Follow the sliders while the dialog is open; read by the caller after
    // wxID_OK only.
    int16_t semitones = 0;
    float cents = 0.0f; // slider position * 0.1

    const TranspositionSliders& sliders() const { return *sliders_; }

    // Dialog start: semitone slider at the semitones, cents slider at
    // 10 * cents rounded to the nearest position; labels from the sliders.
    bool TransferDataToWindow() override;

private:
    // Semitones as an integer; cents with 4 significant digits.
    void readSliders();

    std::unique_ptr<TranspositionSliders> sliders_;
};
