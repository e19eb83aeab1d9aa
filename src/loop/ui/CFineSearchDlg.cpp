#include "loop/ui/CFineSearchDlg.h"

#include "app/CUpDownCtrl.h"
#include "loop/ui/IntegerField.h"

#include <wx/button.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Layout in dialog units.
constexpr int kMargin = 7;
constexpr int kLabelWidth = 52;
constexpr int kEditX = kMargin + kLabelWidth + 2;
constexpr int kEditWidth = 32;
constexpr int kSpinWidth = 8;
constexpr int kRowHeight = 12;
constexpr int kButtonX = 132;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

} // namespace

CFineSearchDlg::CFineSearchDlg(wxWindow* parent, int32_t startMs, int32_t endMs)
    : wxDialog(parent, IDD, "Fine search selection"), minStartMs(startMs), maxEndMs(endMs)
{
    auto du = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    auto dsize = [this](int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); };

    auto row = [&](int y, const char* caption, int editId, int spinId, wxTextCtrl*& edit, CUpDownCtrl*& spin) {
        new wxStaticText(this, wxID_ANY, caption, du(kMargin, y + 2), dsize(kLabelWidth, 8));
        edit = new wxTextCtrl(this, editId, "", du(kEditX, y), dsize(kEditWidth, kRowHeight), wxTE_RIGHT);
        spin = new CUpDownCtrl(this, spinId, du(kEditX + kEditWidth, y), dsize(kSpinWidth, kRowHeight));
        spin->setBuddy(edit);
        spin->setRange(0, kMaxMs);
        new wxStaticText(this, wxID_ANY, "ms", du(kEditX + kEditWidth + kSpinWidth + 3, y + 2), dsize(14, 8));
    };
    row(kMargin + 1, "Min start loop:", IDC_MIN_START_EDIT, IDC_MIN_START_SPIN, minStartEdit_, minStartSpin_);
    row(kMargin + 19, "Max end loop:", IDC_MAX_END_EDIT, IDC_MAX_END_SPIN, maxEndEdit_, maxEndSpin_);

    auto* ok = new wxButton(this, wxID_OK, "OK", du(kButtonX, kMargin), dsize(kButtonWidth, kButtonHeight));
    new wxButton(this, wxID_CANCEL, "Cancel", du(kButtonX, kMargin + kButtonHeight + 4),
                 dsize(kButtonWidth, kButtonHeight));
    ok->SetDefault();

    const wxPoint extent = du(kButtonX + kButtonWidth + kMargin, kMargin + 2 * kButtonHeight + 4 + kMargin);
    SetClientSize(extent.x, extent.y);
}

bool CFineSearchDlg::TransferDataToWindow()
{
    minStartSpin_->setPosition(minStartMs);
    maxEndSpin_->setPosition(maxEndMs);
    minStartEdit_->ChangeValue(wxString::Format("%d", static_cast<int>(minStartMs)));
    maxEndEdit_->ChangeValue(wxString::Format("%d", static_cast<int>(maxEndMs)));
    return true;
}

bool CFineSearchDlg::TransferDataFromWindow()
{
    int start = minStartMs;
    int end = maxEndMs;
    if (!exchangeIntegerField(this, minStartEdit_, 0, kMaxMs, start) ||
        !exchangeIntegerField(this, maxEndEdit_, 0, kMaxMs, end))
        return false;
    minStartMs = start;
    maxEndMs = end;
    return true;
}
