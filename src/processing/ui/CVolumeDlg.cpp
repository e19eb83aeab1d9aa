#include "processing/ui/CVolumeDlg.h"

#include "platform/ui/DialogUnits.h"
#include "document/format.h"

#include <wx/button.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include <cmath>

namespace {

// Dialog-unit geometry shared by both dialogs.
constexpr int kMargin = 7;
constexpr int kSliderWidth = 20;
constexpr int kLabelWidth = 30;
constexpr int kTextHeight = 8;
constexpr int kButtonWidth = DialogUnits::kButtonWidth;
constexpr int kButtonHeight = DialogUnits::kButtonHeight;
// The thumb keeps the ends of the travel this far inside the control.
constexpr int kTravelInset = 4;

} // namespace

CLevelDlg::CLevelDlg(wxWindow* parent, int dialogId, const wxString& title, const Layout& layout,
                     double startLevelDb)
    : wxDialog(parent, dialogId, title)
    , levelDb(startLevelDb)
{
    const DialogUnits units(this);

    if (layout.caption)
        new wxStaticText(this, wxID_ANY, layout.caption, units.at(kMargin, kMargin), units.size(60, kTextHeight));

    slider_ = new wxSlider(this, IDC_LEVEL_SLIDER, layout.minPosition, layout.minPosition, layout.maxPosition,
                           units.at(kMargin, layout.sliderTop), units.size(kSliderWidth, layout.sliderHeight),
                           wxSL_VERTICAL | wxSL_AUTOTICKS);
    slider_->SetPageSize(10);
    slider_->SetLineSize(1);
    slider_->SetTickFreq(30);

    // Fixed level texts right of the slider, centred on their positions.
    const int labelX = kMargin + kSliderWidth + 2;
    const int travel = layout.sliderHeight - 2 * kTravelInset;
    const int count = static_cast<int>(layout.labels.size());
    for (int i = 0; i < count; ++i) {
        const int centre = layout.sliderTop + kTravelInset + (count > 1 ? i * travel / (count - 1) : 0);
        new wxStaticText(this, wxID_ANY, layout.labels[static_cast<size_t>(i)],
                         units.at(labelX, centre - kTextHeight / 2), units.size(kLabelWidth, kTextHeight));
    }

    // The value label, centred under the slider.
    const int valueY = layout.sliderTop + layout.sliderHeight + 3;
    const int valueWidth = 40;
    valueLabel_ = new wxStaticText(this, IDC_LEVEL_VALUE, "",
                                   units.at(kMargin + kSliderWidth / 2 - valueWidth / 2 + 4, valueY),
                                   units.size(valueWidth, kTextHeight), wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);

    const int buttonX = labelX + kLabelWidth + 4;
    units.addOkCancelColumn(buttonX, kMargin);

    const wxPoint extent = units.at(buttonX + kButtonWidth + kMargin, valueY + kTextHeight + kMargin);
    SetClientSize(extent.x, extent.y);

    slider_->Bind(wxEVT_SLIDER, &CLevelDlg::onSliderChanged, this);
    slider_->Bind(wxEVT_SCROLL_CHANGED, &CLevelDlg::onSliderScrolled, this);
    slider_->Bind(wxEVT_SCROLL_THUMBTRACK, &CLevelDlg::onSliderScrolled, this);
}

bool CLevelDlg::TransferDataToWindow()
{
    // Nearest step, halves away from zero: the Volume slider has negative
    // positions, where adding 0.5 and truncating would land one step off.
    long position = std::isfinite(levelDb) ? std::lround(-10.0 * levelDb) : slider_->GetMin();
    if (position < slider_->GetMin())
        position = slider_->GetMin();
    if (position > slider_->GetMax())
        position = slider_->GetMax();
    slider_->SetValue(static_cast<int>(position));
    readSlider();
    slider_->Refresh();
    slider_->Update();
    return true;
}

bool CLevelDlg::TransferDataFromWindow()
{
    readSlider();
    return true;
}

void CLevelDlg::onSliderChanged(wxCommandEvent& event)
{
    readSlider();
    event.Skip();
}

void CLevelDlg::onSliderScrolled(wxScrollEvent& event)
{
    readSlider();
    event.Skip();
}

void CLevelDlg::readSlider()
{
    // Negate the integer first so position 0 reads 0 dB, not -0 dB.
    const int position = slider_->GetValue();
    levelDb = static_cast<double>(-position) * 0.1;
    valueLabel_->SetLabel(formatSignificant(levelDb, 4) + " dB");
}

namespace {

CLevelDlg::Layout volumeLayout()
{
    return {-180, 180, nullptr, {"18 dB", "12 dB", "6 dB", "0 dB", "-6 dB", "-12 dB", "-18 dB"}, kMargin, 120};
}

} // namespace

CVolumeDlg::CVolumeDlg(wxWindow* parent, double startLevelDb)
    : CLevelDlg(parent, IDD, "Volume", volumeLayout(), startLevelDb)
{
}
