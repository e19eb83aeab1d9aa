#include "processing/ui/CPitchShiftDlg.h"

#include "document/format.h"
#include "platform/ui/DialogUnits.h"

#include <wx/slider.h>

#include <string>

namespace {

constexpr int kMargin = 7;
constexpr int kButtonX = kMargin + 150 + 4 + 28 + 8;

} // namespace

CPitchShiftDlg::CPitchShiftDlg(wxWindow* parent, int16_t startSemitones, float startCents)
    : wxDialog(parent, IDD, "Pitch shift")
    , semitones(startSemitones)
    , cents(startCents)
{
    const DialogUnits units(this);
    sliders_ = std::make_unique<TranspositionSliders>(this, kMargin, kMargin, [this] { readSliders(); });
    units.addOkCancelColumn(kButtonX, kMargin);
    const wxPoint extent =
        units.at(kButtonX + DialogUnits::kButtonWidth + kMargin, kMargin + TranspositionSliders::kHeight + kMargin);
    SetClientSize(extent.x, extent.y);
}

CPitchShiftDlg::~CPitchShiftDlg() = default;

bool CPitchShiftDlg::TransferDataToWindow()
{
    sliders_->setPositions(semitones, centsSliderPosition(cents));
    return true;
}

void CPitchShiftDlg::readSliders()
{
    semitones = static_cast<int16_t>(sliders_->semitonePosition());
    cents = static_cast<float>(sliders_->centsPosition() * 0.1);
    sliders_->setLabels(std::to_string(semitones), formatSignificant(cents, 4));
}
