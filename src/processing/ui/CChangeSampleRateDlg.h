#pragma once
// "Change sample rate" (dialog 191): the new rate, typed directly into field
// 1079 or set by transposition on the two sliders, each side following the
// other. The sound's samples are not touched; the caller relabels the rate.
//
// Sliders to field: rate = trunc(base * 2^((100 semitones + cents) / 1200) + 0.5),
// written grouped. Field to sliders: the rate parser, then the nearest
// semitone and the rest in cents (transpositionOf, processing/resample.h).
// While the dialog writes into one side, `updating` is false and the other
// side's notifications are ignored.

#include "processing/ui/TranspositionSliders.h"

#include <wx/dialog.h>

#include <cstdint>
#include <memory>
#include <string>

class wxTextCtrl;

class CChangeSampleRateDlg : public wxDialog {
public:
    enum { IDD = 191, IDC_RATE = 1079 };

    // Both rates start at the sound's rate; the sliders at 0.
    CChangeSampleRateDlg(wxWindow* parent, int32_t soundRate);
    ~CChangeSampleRateDlg() override;

    int32_t baseRate = 0;
    int32_t newRate = 0;           // read by the caller after wxID_OK
    std::string acceptedRateText;  // the field's text put back after a refused entry
    int16_t semitones = 0;
    float cents = 0.0f;
    bool updating = true;

    wxTextCtrl* rateField() const { return field_; }
    const TranspositionSliders& sliders() const { return *sliders_; }

    bool TransferDataToWindow() override;
    // A rate outside 1 .. 768000 is refused with a message; false keeps the
    // dialog open.
    bool TransferDataFromWindow() override;

private:
    void onSlidersMoved();
    void onRateEdited();
    // Semitones as an integer; cents with 3 significant digits from 10 cents
    // up, else 2.
    void writeLabels();

    wxTextCtrl* field_ = nullptr;
    std::unique_ptr<TranspositionSliders> sliders_;
};
