#pragma once
// "Crossfade Options" (dialog 150): how many times the crossfade is applied
// to the loop junction (T, 1..4). The caller stores the value on OK.

#include <wx/dialog.h>

#include <cstdint>

class CUpDownCtrl;
class wxTextCtrl;

class CCrossfadeOptionsDlg : public wxDialog {
public:
    enum { IDD = 150, IDC_PASSES_EDIT = 1035, IDC_PASSES_SPIN = 1036 };
    static constexpr int kMinPasses = 1;
    static constexpr int kMaxPasses = 4;

    explicit CCrossfadeOptionsDlg(wxWindow* parent);

    // 1 when the dialog is made; the caller writes the current T before
    // ShowModal and reads it after wxID_OK only.
    int32_t passes = 1;

    wxTextCtrl* passesEdit() const { return passesEdit_; }

    bool TransferDataToWindow() override;
    // Refuses anything but an integer in 1..4 with the standard prompt.
    bool TransferDataFromWindow() override;

private:
    wxTextCtrl* passesEdit_ = nullptr;
    CUpDownCtrl* passesSpin_ = nullptr;
};
