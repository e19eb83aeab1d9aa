#pragma once
// What the two extraction dialogs share: the radio group choosing which
// harmonics, the parity combo, the list edits with their hint, the mask rows
// with their spin and the resample option. Choosing a radio button enables
// only its own controls ("all the": the parity combo and its "harmonics"
// label 1012; "harmonics:": list 1079 and hint 1013; "all the harmonics
// exept:": list 1080 and hint 1013; the first button: none of them).
//
// The dialogs edit an ExtractionSettings and know nothing of the sound; each
// opening starts from the defaults.

#include "extraction/extraction.h"

#include <wx/dialog.h>

#include <vector>

class CUpDownCtrl;
class wxCheckBox;
class wxChoice;
class wxRadioButton;
class wxStaticText;
class wxTextCtrl;

class CExtractionSettingsDlg : public wxDialog {
public:
    enum {
        IDC_SPIN_ROWS = 1022,
        IDC_CHOICE_FIRST = 1048, // radio buttons 1048, 1049, 1050 (, 1051)
        IDC_HARMONICS_LABEL = 1012,
        IDC_LIST_HINT = 1013,
        IDC_RESAMPLE = 1061,
        IDC_LIST = 1079,
        IDC_EXCEPT_LIST = 1080,
        IDC_ROWS = 1081,
        IDC_PARITY = 1120,
        IDC_OPERATION = 1124,
    };
    static constexpr int kMaxListLength = 100;
    static constexpr int kMinRows = 1;
    static constexpr int kMaxRows = 10;

    // Read after wxID_OK only.
    ExtractionSettings settings;

    bool TransferDataToWindow() override;
    // Mask rows first ("Please enter an integer between 1 and 10."), then the
    // lengths of the lists; false keeps the dialog open.
    bool TransferDataFromWindow() override;

    // Selects radio button `choice` as a click does, with its enabling.
    void choose(int choice);
    wxRadioButton* choiceButton(int choice) const { return choices_[static_cast<size_t>(choice)]; }

protected:
    // The inharmonic dialog has three choices, the harmonic one four and the
    // operation combo; `heading` (or null) sits above the radio group.
    CExtractionSettingsDlg(wxWindow* parent, int dialogId, const wxString& title, bool inharmonic,
                           const char* heading, const std::vector<const char*>& choiceLabels);

private:
    void enableForChoice(int choice);
    int checkedChoice() const;

    std::vector<wxRadioButton*> choices_;
    wxChoice* operation_ = nullptr;
    wxChoice* parity_ = nullptr;
    wxStaticText* harmonicsLabel_ = nullptr;
    wxStaticText* hint_ = nullptr;
    wxTextCtrl* list_ = nullptr;
    wxTextCtrl* exceptList_ = nullptr;
    wxTextCtrl* rows_ = nullptr;
    CUpDownCtrl* rowsSpin_ = nullptr;
    wxCheckBox* resample_ = nullptr;
};
