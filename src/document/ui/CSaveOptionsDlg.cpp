#include "document/ui/CSaveOptionsDlg.h"

#include "platform/ui/DialogUnits.h"
#include <wx/button.h>
#include <wx/checkbox.h>

namespace {

// Dialog-unit geometry: the boxes in a column on the left, OK and Cancel
// stacked on the right.
constexpr int kMargin = 7;
constexpr int kBoxWidth = 150;
constexpr int kBoxHeight = 10;
constexpr int kBoxStep = 14;
constexpr int kButtonWidth = DialogUnits::kButtonWidth;
constexpr int kButtonHeight = DialogUnits::kButtonHeight;

} // namespace

CSaveOptionsDlg::CSaveOptionsDlg(wxWindow* parent, const SaveOptions& start, bool loopForward)
    : wxDialog(parent, IDD, "Save Options")
{
    const DialogUnits units(this);

    tune_ = new wxCheckBox(this, IDC_TUNE_RATE, "Tune sample rate", units.at(kMargin, kMargin),
                           units.size(kBoxWidth, kBoxHeight));
    cut_ = new wxCheckBox(this, IDC_CUT_AFTER_LOOP, "Cut the wave after loop", units.at(kMargin, kMargin + kBoxStep),
                          units.size(kBoxWidth, kBoxHeight));
    alternate_ = new wxCheckBox(this, IDC_SIMULATE_ALTERNATE, "Simulate loop alternate by loop forward",
                                units.at(kMargin, kMargin + 2 * kBoxStep), units.size(kBoxWidth, kBoxHeight));

    const int buttonX = kMargin + kBoxWidth + 6;
    units.addOkCancelColumn(buttonX, kMargin);

    const wxPoint extent =
        units.at(buttonX + kButtonWidth + kMargin, kMargin + 2 * kBoxStep + kBoxHeight + kMargin + 4);
    SetClientSize(extent.x, extent.y);

    tune_->SetValue(start.tuneSampleRate);
    cut_->SetValue(start.cutAfterLoop);
    alternate_->SetValue(start.simulateAlternate);
    alternate_->Enable(!loopForward);
}

SaveOptions CSaveOptionsDlg::options() const
{
    SaveOptions o;
    o.tuneSampleRate = tune_->GetValue();
    o.cutAfterLoop = cut_->GetValue();
    o.simulateAlternate = alternate_->GetValue();
    return o;
}
