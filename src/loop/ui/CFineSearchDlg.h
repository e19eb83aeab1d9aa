#pragma once
// "Fine search selection" (dialog 176): the selection typed in milliseconds,
// opened by a right click on the waveform. The dialog only edits the two
// numbers; the waveform view converts them back to samples,
// trunc(ms * 0.001 * rate), and sets the selection's start, then its end.

#include <wx/dialog.h>

#include <cstdint>

class CUpDownCtrl;
class wxTextCtrl;

class CFineSearchDlg : public wxDialog {
public:
    enum {
        IDD = 176,
        IDC_MAX_END_EDIT = 1020,
        IDC_MIN_START_SPIN = 1022,
        IDC_MAX_END_SPIN = 1023,
        IDC_MIN_START_EDIT = 1031,
    };
    static constexpr int kMaxMs = 60000; // both fields accept 0..60000

    CFineSearchDlg(wxWindow* parent, int32_t startMs, int32_t endMs);

    // Set by the caller before ShowModal; read after wxID_OK only.
    int32_t minStartMs = 0;
    int32_t maxEndMs = 0;

    wxTextCtrl* minStartEdit() const { return minStartEdit_; }
    wxTextCtrl* maxEndEdit() const { return maxEndEdit_; }

    // Writes the two values into the edits as they are (a value past the
    // spins' range shows, and OK then refuses it).
    bool TransferDataToWindow() override;
    // Both fields, start first: each refused with the standard prompt when it
    // is not an integer in 0..60000; false keeps the dialog open and the
    // values unchanged.
    bool TransferDataFromWindow() override;

private:
    wxTextCtrl* minStartEdit_ = nullptr;
    wxTextCtrl* maxEndEdit_ = nullptr;
    CUpDownCtrl* minStartSpin_ = nullptr;
    CUpDownCtrl* maxEndSpin_ = nullptr;
};
