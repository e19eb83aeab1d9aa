#include "document/ui/CSaveOptionsDlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>

namespace {

// Dialog-unit geometry: the boxes in a column on the left, OK and Cancel
// stacked on the right.
constexpr int kMargin = 7;
constexpr int kBoxWidth = 150;
constexpr int kBoxHeight = 10;
constexpr int kBoxStep = 14;
constexpr int kButtonWidth = 50;
constexpr int kButtonHeight = 14;

} // namespace

CSaveOptionsDlg::CSaveOptionsDlg(wxWindow* parent, const SaveOptions& start, bool loopForward)
    : wxDialog(parent, IDD, "Save Options")
{
    auto du = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };
    auto dsize = [this](int w, int h) { return ConvertDialogToPixels(wxSize(w, h)); };

    tune_ = new wxCheckBox(this, IDC_TUNE_RATE, "Tune sample rate", du(kMargin, kMargin),
                           dsize(kBoxWidth, kBoxHeight));
    cut_ = new wxCheckBox(this, IDC_CUT_AFTER_LOOP, "Cut the wave after loop", du(kMargin, kMargin + kBoxStep),
                          dsize(kBoxWidth, kBoxHeight));
    alternate_ = new wxCheckBox(this, IDC_SIMULATE_ALTERNATE, "Simulate loop alternate by loop forward",
                                du(kMargin, kMargin + 2 * kBoxStep), dsize(kBoxWidth, kBoxHeight));

    const int buttonX = kMargin + kBoxWidth + 6;
    auto* ok = new wxButton(this, wxID_OK, "OK", du(buttonX, kMargin), dsize(kButtonWidth, kButtonHeight));
    new wxButton(this, wxID_CANCEL, "Cancel", du(buttonX, kMargin + kButtonHeight + 4),
                 dsize(kButtonWidth, kButtonHeight));
    ok->SetDefault();

    const wxPoint extent = du(buttonX + kButtonWidth + kMargin, kMargin + 2 * kBoxStep + kBoxHeight + kMargin + 4);
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
