#include "extraction/ui/CExtractionSettingsDlg.h"

#include "loop/ui/IntegerField.h"
#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/MessageBox.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <string>

namespace {

// Layout in dialog units.
constexpr int kMargin = 7;
constexpr int kRadioX = 12;
constexpr int kRowStep = 15;
constexpr int kRowHeight = 12;
constexpr int kListX = 106;
constexpr int kListWidth = 100;
constexpr int kContentWidth = kListX + kListWidth - kMargin;
constexpr int kButtonX = kListX + kListWidth + 8;
constexpr int kButtonWidth = DialogUnits::kButtonWidth;

const char* const kHint =
    "Separate single harmonics by ',' (comma) and intervals by '-' (minus). For instance: 1,3,5-8";

// The text of an edit that may hold more than the dialog accepts: "Please
// enter no more than 100 characters." and the edit focused.
bool exchangeListField(wxWindow* parent, wxTextCtrl* edit, std::string& value)
{
    const wxString text = edit->GetValue();
    if (text.length() > static_cast<size_t>(CExtractionSettingsDlg::kMaxListLength)) {
        showMessage(parent, "Please enter no more than " + std::to_string(CExtractionSettingsDlg::kMaxListLength) +
                                " characters.");
        edit->SetFocus();
        edit->SelectAll();
        return false;
    }
    value = text.ToStdString(wxConvUTF8);
    return true;
}

} // namespace

CExtractionSettingsDlg::CExtractionSettingsDlg(wxWindow* parent, int dialogId, const wxString& title,
                                               bool inharmonic, const char* heading,
                                               const std::vector<const char*>& choiceLabels)
    : wxDialog(parent, dialogId, title)
{
    settings.inharmonic = inharmonic;
    const DialogUnits units(this);

    int y = kMargin;
    if (!inharmonic) {
        operation_ = new wxChoice(this, IDC_OPERATION, units.at(kMargin, y), units.size(60, kRowHeight));
        operation_->Append("Extract");
        operation_->Append("Reduce");
        y += kRowStep + 3;
    }
    if (heading) {
        new wxStaticText(this, wxID_ANY, heading, units.at(kMargin, y), units.size(kContentWidth, 8));
        y += 13;
    }

    for (size_t i = 0; i < choiceLabels.size(); ++i) {
        const int rowY = y + static_cast<int>(i) * kRowStep;
        const int width = i == 1 ? 34 : kListX - kRadioX - 4;
        auto* radio = new wxRadioButton(this, IDC_CHOICE_FIRST + static_cast<int>(i), choiceLabels[i],
                                        units.at(kRadioX, rowY + 1), units.size(width, 10), i == 0 ? wxRB_GROUP : 0);
        // GTK refuses (with a critical warning at every layout) a radio button
        // smaller than its indicator and label need; at the default font the
        // dialog units fall a pixel or a few short.
        wxSize room = radio->GetSize();
        room.IncTo(radio->GetBestSize());
        radio->SetSize(room);
        radio->Bind(wxEVT_RADIOBUTTON, [this, i](wxCommandEvent&) { enableForChoice(static_cast<int>(i)); });
        choices_.push_back(radio);
    }
    const int parityY = y + kRowStep;
    parity_ = new wxChoice(this, IDC_PARITY, units.at(kRadioX + 36, parityY), units.size(40, kRowHeight));
    parity_->Append("even");
    parity_->Append("odd");
    harmonicsLabel_ = new wxStaticText(this, IDC_HARMONICS_LABEL, "harmonics", units.at(kRadioX + 80, parityY + 2),
                                       units.size(40, 8));
    list_ = new wxTextCtrl(this, IDC_LIST, "", units.at(kListX, y + 2 * kRowStep), units.size(kListWidth, kRowHeight));
    list_->SetMaxLength(kMaxListLength);
    if (!inharmonic) {
        exceptList_ = new wxTextCtrl(this, IDC_EXCEPT_LIST, "", units.at(kListX, y + 3 * kRowStep),
                                     units.size(kListWidth, kRowHeight));
        exceptList_->SetMaxLength(kMaxListLength);
    }
    y += static_cast<int>(choiceLabels.size()) * kRowStep + 2;
    hint_ = new wxStaticText(this, IDC_LIST_HINT, kHint, units.at(kRadioX, y), units.size(kContentWidth - 5, 18));
    y += 24;

    new wxStaticText(this, wxID_ANY, "Size of the convolution mask rows (1-10):", units.at(kMargin, y + 2),
                     units.size(150, 8));
    rows_ = new wxTextCtrl(this, IDC_ROWS, "", units.at(kListX + 56, y), units.size(24, kRowHeight), wxTE_RIGHT);
    rowsSpin_ = new CUpDownCtrl(this, IDC_SPIN_ROWS, units.at(kListX + 80, y), units.size(8, kRowHeight));
    rowsSpin_->setBuddy(rows_);
    rowsSpin_->setRange(kMinRows, kMaxRows);
    y += kRowStep + 2;
    resample_ = new wxCheckBox(this, IDC_RESAMPLE, "Resample at an optimized sample rate", units.at(kMargin, y),
                               units.size(kContentWidth, 10));
    y += 10 + kMargin;

    units.addOkCancelColumn(kButtonX, kMargin);
    const wxPoint extent = units.at(kButtonX + kButtonWidth + kMargin, y);
    SetClientSize(extent.x, extent.y);
}

bool CExtractionSettingsDlg::TransferDataToWindow()
{
    const int choice = std::clamp(settings.choice, 0, static_cast<int>(choices_.size()) - 1);
    choices_[static_cast<size_t>(choice)]->SetValue(true);
    if (operation_)
        operation_->SetSelection(settings.operation == 1 ? 1 : 0);
    parity_->SetSelection(settings.parity == 1 ? 1 : 0);
    list_->ChangeValue(wxString::FromUTF8(settings.list));
    if (exceptList_)
        exceptList_->ChangeValue(wxString::FromUTF8(settings.exceptList));
    rowsSpin_->setPosition(settings.maskRows);
    rows_->ChangeValue(wxString::Format("%d", settings.maskRows));
    resample_->SetValue(settings.resample);
    enableForChoice(choice);
    return true;
}

bool CExtractionSettingsDlg::TransferDataFromWindow()
{
    int rows = settings.maskRows;
    std::string list = settings.list;
    std::string exceptList = settings.exceptList;
    if (!exchangeIntegerField(this, rows_, kMinRows, kMaxRows, rows) || !exchangeListField(this, list_, list) ||
        (exceptList_ && !exchangeListField(this, exceptList_, exceptList)))
        return false;
    settings.maskRows = rows;
    settings.list = list;
    settings.exceptList = exceptList;
    settings.choice = checkedChoice();
    settings.parity = parity_->GetSelection() == 1 ? 1 : 0;
    settings.operation = operation_ && operation_->GetSelection() == 1 ? 1 : 0;
    settings.resample = resample_->GetValue();
    return true;
}

void CExtractionSettingsDlg::choose(int choice)
{
    choices_[static_cast<size_t>(choice)]->SetValue(true);
    enableForChoice(choice);
}

void CExtractionSettingsDlg::enableForChoice(int choice)
{
    parity_->Enable(choice == 1);
    harmonicsLabel_->Enable(choice == 1);
    list_->Enable(choice == 2);
    if (exceptList_)
        exceptList_->Enable(choice == 3);
    hint_->Enable(choice == 2 || choice == 3);
}

int CExtractionSettingsDlg::checkedChoice() const
{
    for (size_t i = 0; i < choices_.size(); ++i)
        if (choices_[i]->GetValue())
            return static_cast<int>(i);
    return 0;
}
