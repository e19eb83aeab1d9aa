#include "processing/ui/CChangeSampleRateDlg.h"

#include "document/format.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/MessageBox.h"
#include "processing/resample.h"

#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr int kMargin = 7;
constexpr int kGroupWidth = 200;
constexpr int kRateGroupHeight = 30;
constexpr int kSliderGroupY = kMargin + kRateGroupHeight + 6;
constexpr int kButtonX = kMargin + kGroupWidth + 8;

} // namespace

CChangeSampleRateDlg::CChangeSampleRateDlg(wxWindow* parent, int32_t soundRate)
    : wxDialog(parent, IDD, "Change sample rate")
    , baseRate(soundRate)
    , newRate(soundRate)
    , acceptedRateText(formatInteger(soundRate, true))
{
    const DialogUnits units(this);
    new wxStaticBox(this, wxID_ANY, "By replacing sample rate directly", units.at(kMargin, kMargin),
                    units.size(kGroupWidth, kRateGroupHeight));
    new wxStaticText(this, wxID_ANY, "New sample rate:", units.at(kMargin + 7, kMargin + 15), units.size(58, 8));
    field_ = new wxTextCtrl(this, IDC_RATE, "", units.at(kMargin + 66, kMargin + 13), units.size(48, 12));

    const int sliderGroupHeight = TranspositionSliders::kHeight + 16;
    new wxStaticBox(this, wxID_ANY, "By transposition parameters", units.at(kMargin, kSliderGroupY),
                    units.size(kGroupWidth, sliderGroupHeight));
    sliders_ = std::make_unique<TranspositionSliders>(this, kMargin + 7, kSliderGroupY + 12,
                                                      [this] { onSlidersMoved(); });

    units.addOkCancelColumn(kButtonX, kMargin);
    const wxPoint extent = units.at(kButtonX + DialogUnits::kButtonWidth + kMargin,
                                    kSliderGroupY + sliderGroupHeight + kMargin);
    SetClientSize(extent.x, extent.y);

    field_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { onRateEdited(); });
}

CChangeSampleRateDlg::~CChangeSampleRateDlg() = default;

bool CChangeSampleRateDlg::TransferDataToWindow()
{
    // As in Pitch shift: the sliders from the interval, the rest follows them.
    sliders_->setPositions(semitones, centsSliderPosition(cents));
    return true;
}

bool CChangeSampleRateDlg::TransferDataFromWindow()
{
    if (!sampleRateInRange(newRate)) {
        showMessage(this, rateOutOfRangeMessage());
        return false;
    }
    return true;
}

void CChangeSampleRateDlg::onSlidersMoved()
{
    if (!updating)
        return;
    semitones = static_cast<int16_t>(sliders_->semitonePosition());
    cents = static_cast<float>(sliders_->centsPosition() * 0.1);
    writeLabels();
    const int64_t rate = transposedRate(baseRate, semitones, cents);
    newRate = static_cast<int32_t>(std::min<int64_t>(rate, INT32_MAX));
    updating = false;
    acceptedRateText = formatInteger(newRate, true);
    field_->ChangeValue(acceptedRateText);
    updating = true;
}

void CChangeSampleRateDlg::onRateEdited()
{
    if (!updating)
        return;
    const std::string text = field_->GetValue().ToStdString(wxConvUTF8);
    const std::optional<int32_t> rate = parseSampleRate(text);
    if (!rate) {
        showMessage(this, positiveNumberMessage());
        updating = false;
        field_->ChangeValue(acceptedRateText);
        updating = true;
        return;
    }
    newRate = *rate;
    acceptedRateText = sampleRateDigits(text);
    const Transposition t = transpositionOf(baseRate, newRate);
    semitones = static_cast<int16_t>(t.semitones);
    cents = static_cast<float>(t.cents);
    writeLabels();
    updating = false;
    sliders_->setPositions(semitones, centsSliderPosition(cents));
    updating = true;
}

void CChangeSampleRateDlg::writeLabels()
{
    sliders_->setLabels(std::to_string(semitones), formatSignificant(cents, std::fabs(cents) >= 10.0f ? 3 : 2));
}
