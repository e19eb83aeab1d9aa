#pragma once
// "BPM Machine" (dialog 189): a metre, a number of measures and a tempo for
// the current loop. The dialog only edits the four values; the caller turns
// them into a sample rate (loop/bpm.h).

#include "loop/bpm.h"

#include <wx/dialog.h>

class CUpDownCtrl;
class wxChoice;
class wxTextCtrl;

class CBpmMachineDlg : public wxDialog {
public:
    enum {
        IDD = 189,
        IDC_BEATS_SPIN = 1022,
        IDC_MEASURES_SPIN = 1023,
        IDC_BEATS_EDIT = 1129,
        IDC_MEASURES_EDIT = 1130,
        IDC_TEMPO_EDIT = 1131,
        IDC_BEAT_VALUE = 1132,
    };

    CBpmMachineDlg(wxWindow* parent, const BpmSettings& start);

    // Set at construction; read after wxID_OK only.
    BpmSettings settings;

    wxTextCtrl* beatsEdit() const { return beatsEdit_; }
    wxChoice* beatValueList() const { return beatValue_; }
    wxTextCtrl* measuresEdit() const { return measuresEdit_; }
    wxTextCtrl* tempoEdit() const { return tempoEdit_; }

    bool TransferDataToWindow() override;
    // In the order of the fields: beats per measure (an integer in 1..32),
    // the beat value, measures (1..32), the tempo (a number in 20..400). The
    // first bad field is refused with the standard prompt and focused;
    // false keeps the dialog open and `settings` unchanged.
    bool TransferDataFromWindow() override;

private:
    wxTextCtrl* beatsEdit_ = nullptr;
    CUpDownCtrl* beatsSpin_ = nullptr;
    wxChoice* beatValue_ = nullptr;
    wxTextCtrl* measuresEdit_ = nullptr;
    CUpDownCtrl* measuresSpin_ = nullptr;
    wxTextCtrl* tempoEdit_ = nullptr;
};
