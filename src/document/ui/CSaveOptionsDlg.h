#pragma once
// The Save Options dialog (153): three check boxes that choose how the next
// Save writes a looped sound. The dialog only chooses; the window stores the
// values in the document, and the writer acts on them.
//
// The boxes show the values given at construction (so that what the user
// sees and what options() reports agree before the dialog is even shown);
// options() reads them back after OK.

#include <wx/dialog.h>

class wxCheckBox;

struct SaveOptions {
    bool tuneSampleRate = true;    // retune the rate so the loop is in tune
    bool cutAfterLoop = true;      // write nothing after the loop end
    bool simulateAlternate = true; // write an alternate loop unrolled as a forward one
};

class CSaveOptionsDlg : public wxDialog {
public:
    enum { IDD = 153, IDC_TUNE_RATE = 1061, IDC_CUT_AFTER_LOOP = 1062, IDC_SIMULATE_ALTERNATE = 1063 };

    // loopForward: the current loop is forward, so there is no alternate
    // loop to simulate and box 1063 is disabled (its value is kept).
    CSaveOptionsDlg(wxWindow* parent, const SaveOptions& start, bool loopForward);

    SaveOptions options() const;

    wxCheckBox* tuneBox() const { return tune_; }
    wxCheckBox* cutBox() const { return cut_; }
    wxCheckBox* alternateBox() const { return alternate_; }

private:
    wxCheckBox* tune_ = nullptr;
    wxCheckBox* cut_ = nullptr;
    wxCheckBox* alternate_ = nullptr;
};
