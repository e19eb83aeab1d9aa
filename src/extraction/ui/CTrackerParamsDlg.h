#pragma once
// "Tracker parameters" (dialog 181): the characteristic harmonics and the
// four numbers that shape the slow version. The main window keeps the values
// between uses and hands them in each time.

#include "extraction/tracker.h"

#include <wx/dialog.h>

class CUpDownCtrl;
class wxTextCtrl;

class CTrackerParamsDlg : public wxDialog {
public:
    enum {
        IDD = 181,
        IDC_ATTENUATION_SPIN = 1022,
        IDC_SLOPE_SPIN = 1023,
        IDC_FACTOR_SPIN = 1033,
        IDC_COMPENSATE_SPIN = 1034,
        IDC_ATTENUATION = 1079,
        IDC_SLOPE = 1080,
        IDC_FACTOR = 1081,
        IDC_HARMONICS = 1082,
        IDC_COMPENSATE = 1083,
    };
    static constexpr int kMaxListLength = 100;

    CTrackerParamsDlg(wxWindow* parent, const TrackerParams& start);

    // Read after wxID_OK only.
    TrackerParams params;

    wxTextCtrl* edit(int id) const;

    bool TransferDataToWindow() override;
    // Each number refused with "Please enter an integer between %1 and %2."
    // outside its range, the list with "Please enter no more than 100
    // characters."; false keeps the dialog open and the values unchanged.
    bool TransferDataFromWindow() override;

private:
    struct NumberRow {
        int editId;
        int spinId;
        int minimum;
        int maximum;
        int TrackerParams::*value;
    };
    static const NumberRow kRows[4];

    wxTextCtrl* harmonics_ = nullptr;
    wxTextCtrl* numbers_[4] = {};
    CUpDownCtrl* spins_[4] = {};
};
