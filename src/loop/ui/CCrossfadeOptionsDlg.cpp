#include "loop/ui/CCrossfadeOptionsDlg.h"

#include "platform/ui/DialogUnits.h"
#include "platform/ui/CUpDownCtrl.h"
#include "loop/ui/IntegerField.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Layout in dialog units.
constexpr int kMargin = 7;
constexpr int kTextWidth = 120;
constexpr int kEditWidth = 24;
constexpr int kSpinWidth = 8;
constexpr int kRowHeight = 12;
constexpr int kButtonX = kMargin + kTextWidth + 6;
constexpr int kButtonWidth = DialogUnits::kButtonWidth;
constexpr int kButtonHeight = DialogUnits::kButtonHeight;

} // namespace

CCrossfadeOptionsDlg::CCrossfadeOptionsDlg(wxWindow* parent) : wxDialog(parent, IDD, "Crossfade Options")
{
    const DialogUnits units(this);

    new wxStaticText(this, wxID_ANY, "How many times would you apply the selected crossfade?",
                     units.at(kMargin, kMargin), units.size(kTextWidth, 18));
    const int y = kMargin + 22;
    passesEdit_ =
        new wxTextCtrl(this, IDC_PASSES_EDIT, "", units.at(kMargin, y), units.size(kEditWidth, kRowHeight), wxTE_RIGHT);
    passesSpin_ =
        new CUpDownCtrl(this, IDC_PASSES_SPIN, units.at(kMargin + kEditWidth, y), units.size(kSpinWidth, kRowHeight));
    passesSpin_->setBuddy(passesEdit_);
    passesSpin_->setRange(kMinPasses, kMaxPasses);

    units.addOkCancelColumn(kButtonX, kMargin);

    const wxPoint extent = units.at(kButtonX + kButtonWidth + kMargin, y + kRowHeight + kMargin);
    SetClientSize(extent.x, extent.y);
}

bool CCrossfadeOptionsDlg::TransferDataToWindow()
{
    passesSpin_->setPosition(passes);
    passesEdit_->ChangeValue(wxString::Format("%d", static_cast<int>(passes)));
    return true;
}

bool CCrossfadeOptionsDlg::TransferDataFromWindow()
{
    int value = passes;
    if (!exchangeIntegerField(this, passesEdit_, kMinPasses, kMaxPasses, value))
        return false;
    passes = value;
    return true;
}
