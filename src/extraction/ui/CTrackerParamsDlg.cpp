#include "extraction/ui/CTrackerParamsDlg.h"

#include "loop/ui/IntegerField.h"
#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/MessageBox.h"

#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <string>

namespace {

// Layout in dialog units.
constexpr int kMargin = 7;
constexpr int kLabelWidth = 150;
constexpr int kEditX = kMargin + kLabelWidth + 4;
constexpr int kEditWidth = 24;
constexpr int kListWidth = 90;
constexpr int kRowStep = 17;
constexpr int kRowHeight = 12;
constexpr int kButtonX = kEditX + kListWidth + 8;
constexpr int kButtonWidth = DialogUnits::kButtonWidth;

} // namespace

const CTrackerParamsDlg::NumberRow CTrackerParamsDlg::kRows[4] = {
    {IDC_COMPENSATE, IDC_COMPENSATE_SPIN, 0, 128, &TrackerParams::compensateUpTo},
    {IDC_SLOPE, IDC_SLOPE_SPIN, 0, 100, &TrackerParams::envelopeSlope},
    {IDC_ATTENUATION, IDC_ATTENUATION_SPIN, 0, 64, &TrackerParams::chiffAttenuation},
    {IDC_FACTOR, IDC_FACTOR_SPIN, 0, 50, &TrackerParams::compensationFactor},
};

CTrackerParamsDlg::CTrackerParamsDlg(wxWindow* parent, const TrackerParams& start)
    : wxDialog(parent, IDD, "Tracker parameters"), params(start)
{
    const DialogUnits units(this);
    const char* const labels[5] = {
        "Characteristic harmonics:",
        "Compensa fino all'armonica:",
        "Pendenza suono regime inviluppato:",
        "Aggiungi nel lento il chiff attenuato di:",
        "Fattore compenzazione chiff nel lento:",
    };
    for (int i = 0; i < 5; ++i)
        new wxStaticText(this, wxID_ANY, labels[i], units.at(kMargin, kMargin + i * kRowStep + 2),
                         units.size(kLabelWidth, 8));

    harmonics_ = new wxTextCtrl(this, IDC_HARMONICS, "", units.at(kEditX, kMargin), units.size(kListWidth, kRowHeight));
    harmonics_->SetMaxLength(kMaxListLength);
    for (int i = 0; i < 4; ++i) {
        const int y = kMargin + (i + 1) * kRowStep;
        numbers_[i] = new wxTextCtrl(this, kRows[i].editId, "", units.at(kEditX, y), units.size(kEditWidth, kRowHeight),
                                     wxTE_RIGHT);
        spins_[i] = new CUpDownCtrl(this, kRows[i].spinId, units.at(kEditX + kEditWidth, y), units.size(8, kRowHeight));
        spins_[i]->setBuddy(numbers_[i]);
        spins_[i]->setRange(kRows[i].minimum, kRows[i].maximum);
    }

    units.addOkCancelColumn(kButtonX, kMargin);
    const wxPoint extent = units.at(kButtonX + kButtonWidth + kMargin, kMargin + 5 * kRowStep + kMargin - 5);
    SetClientSize(extent.x, extent.y);
}

wxTextCtrl* CTrackerParamsDlg::edit(int id) const
{
    if (id == IDC_HARMONICS)
        return harmonics_;
    for (int i = 0; i < 4; ++i)
        if (kRows[i].editId == id)
            return numbers_[i];
    return nullptr;
}

bool CTrackerParamsDlg::TransferDataToWindow()
{
    harmonics_->ChangeValue(wxString::FromUTF8(params.characteristicHarmonics));
    for (int i = 0; i < 4; ++i) {
        spins_[i]->setPosition(params.*kRows[i].value);
        numbers_[i]->ChangeValue(wxString::Format("%d", params.*kRows[i].value));
    }
    return true;
}

bool CTrackerParamsDlg::TransferDataFromWindow()
{
    TrackerParams read = params;
    const wxString list = harmonics_->GetValue();
    if (list.length() > static_cast<size_t>(kMaxListLength)) {
        showMessage(this, "Please enter no more than " + std::to_string(kMaxListLength) + " characters.");
        harmonics_->SetFocus();
        harmonics_->SelectAll();
        return false;
    }
    read.characteristicHarmonics = list.ToStdString(wxConvUTF8);
    for (int i = 0; i < 4; ++i)
        if (!exchangeIntegerField(this, numbers_[i], kRows[i].minimum, kRows[i].maximum, read.*kRows[i].value))
            return false;
    params = read;
    return true;
}
