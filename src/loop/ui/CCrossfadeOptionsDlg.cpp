#include "loop/ui/CCrossfadeOptionsDlg.h"

#include "app/CUpDownCtrl.h"
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
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

} // namespace

CCrossfadeOptionsDlg::CCrossfadeOptionsDlg(wxWindow* parent) : wxDialog(parent, IDD, "Crossfade Options")
{
    auto du = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    auto dsize = [this](int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); };

    new wxStaticText(this, wxID_ANY, "How many times would you apply the selected crossfade?", du(kMargin, kMargin),
                     dsize(kTextWidth, 18));
    const int y = kMargin + 22;
    passesEdit_ = new wxTextCtrl(this, IDC_PASSES_EDIT, "", du(kMargin, y), dsize(kEditWidth, kRowHeight), wxTE_RIGHT);
    passesSpin_ = new CUpDownCtrl(this, IDC_PASSES_SPIN, du(kMargin + kEditWidth, y), dsize(kSpinWidth, kRowHeight));
    passesSpin_->setBuddy(passesEdit_);
    passesSpin_->setRange(kMinPasses, kMaxPasses);

    auto* ok = new wxButton(this, wxID_OK, "OK", du(kButtonX, kMargin), dsize(kButtonWidth, kButtonHeight));
    new wxButton(this, wxID_CANCEL, "Cancel", du(kButtonX, kMargin + kButtonHeight + 4),
                 dsize(kButtonWidth, kButtonHeight));
    ok->SetDefault();

    const wxPoint extent = du(kButtonX + kButtonWidth + kMargin, y + kRowHeight + kMargin);
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
