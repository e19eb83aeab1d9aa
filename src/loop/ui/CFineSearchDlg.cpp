#include "loop/ui/CFineSearchDlg.h"

#include "platform/ui/DialogUnits.h"
#include "platform/ui/CUpDownCtrl.h"
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
constexpr int kButtonWidth = DialogUnits::kButtonWidth;
constexpr int kButtonHeight = DialogUnits::kButtonHeight;

} // namespace

CFineSearchDlg::CFineSearchDlg(wxWindow* parent, int32_t startMs, int32_t endMs)
    : wxDialog(parent, IDD, "Fine search selection"), minStartMs(startMs), maxEndMs(endMs)
{
    const DialogUnits units(this);

    auto row = [&](int y, const char* caption, int editId, int spinId, wxTextCtrl*& edit, CUpDownCtrl*& spin) {
        new wxStaticText(this, wxID_ANY, caption, units.at(kMargin, y + 2), units.size(kLabelWidth, 8));
        edit = new wxTextCtrl(this, editId, "", units.at(kEditX, y), units.size(kEditWidth, kRowHeight), wxTE_RIGHT);
        spin = new CUpDownCtrl(this, spinId, units.at(kEditX + kEditWidth, y), units.size(kSpinWidth, kRowHeight));
        spin->setBuddy(edit);
        spin->setRange(0, kMaxMs);
        new wxStaticText(this, wxID_ANY, "ms", units.at(kEditX + kEditWidth + kSpinWidth + 3, y + 2),
                         units.size(14, 8));
    };
    row(kMargin + 1, "Min start loop:", IDC_MIN_START_EDIT, IDC_MIN_START_SPIN, minStartEdit_, minStartSpin_);
    row(kMargin + 19, "Max end loop:", IDC_MAX_END_EDIT, IDC_MAX_END_SPIN, maxEndEdit_, maxEndSpin_);

    units.addOkCancelColumn(kButtonX, kMargin);

    const wxPoint extent = units.at(kButtonX + kButtonWidth + kMargin, kMargin + 2 * kButtonHeight + 4 + kMargin);
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
