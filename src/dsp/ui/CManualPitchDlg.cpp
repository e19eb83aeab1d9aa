#include "dsp/ui/CManualPitchDlg.h"

#include "platform/ui/DialogUnits.h"
#include "views/ui/CManualPitchView.h"

#include <wx/slider.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cmath>

namespace {

// Layout in dialog units.
constexpr int kMargin = 7;
constexpr int kViewWidth = 330;
constexpr int kViewHeight = 120;
constexpr int kRowTop = kMargin + kViewHeight + 7;
constexpr int kRowStep = 18;
constexpr int kLabelWidth = 48;
constexpr int kSliderX = kMargin + kLabelWidth + 2;
constexpr int kSliderWidth = 148;
constexpr int kSliderHeight = 14;
constexpr int kFrequencyX = kSliderX + kSliderWidth + 3;
constexpr int kFrequencyWidth = 45;
constexpr int kNoteX = kFrequencyX + kFrequencyWidth + 2;
constexpr int kNoteWidth = 25;
constexpr int kButtonX = kMargin + kViewWidth - DialogUnits::kButtonWidth;
constexpr int kTextHeight = 8;

} // namespace

CManualPitchDlg::CManualPitchDlg(wxWindow* parent, const ManualPitchSound& sound, const double startBins[2])
    : wxDialog(parent, IDD, "Manual pitch detection"), sound_(sound)
{
    bins[0] = startBins[0];
    bins[1] = startBins[1];
    const DialogUnits units(this);

    view_ = new CManualPitchView(this, IDC_SPECTRUM, units.at(kMargin, kMargin), units.size(kViewWidth, kViewHeight),
                                 sound_);
    view_->setClickHook([this](int channel, double bin) { onViewClicked(channel, bin); });

    const int lastBin = std::max(0, sound_.frameSize / 2 - 1);
    const char* const captions[2] = {"Pitch (Ch 1):", "Pitch (Ch 2):"};
    const int sliderIds[2] = {IDC_PITCH_SLIDER1, IDC_PITCH_SLIDER2};
    const int frequencyIds[2] = {IDC_FREQUENCY1, IDC_FREQUENCY2};
    const int noteIds[2] = {IDC_NOTE1, IDC_NOTE2};
    for (int c = 0; c < 2; ++c) {
        const int y = kRowTop + c * kRowStep;
        auto* label = new wxStaticText(this, c == 1 ? static_cast<int>(IDC_PITCH_LABEL2) : static_cast<int>(wxID_ANY), captions[c],
                                       units.at(kMargin, y + 3), units.size(kLabelWidth, kTextHeight));
        auto* slider = new wxSlider(this, sliderIds[c], 0, 0, std::max(lastBin, 1), units.at(kSliderX, y),
                                    units.size(kSliderWidth, kSliderHeight), wxSL_HORIZONTAL | wxSL_AUTOTICKS);
        // GTK cannot show an empty range; a one-bin spectrum keeps 0..1 and
        // the position is clamped when read.
        slider->SetLineSize(1);
        slider->SetPageSize(100);
        slider->SetTickFreq(100);
        slider->Bind(wxEVT_SLIDER, &CManualPitchDlg::onSliderChanged, this);
        slider->Bind(wxEVT_SCROLL_CHANGED, &CManualPitchDlg::onSliderScrolled, this);
        slider->Bind(wxEVT_SCROLL_THUMBTRACK, &CManualPitchDlg::onSliderScrolled, this);
        sliders_[c] = slider;
        frequencies_[c] = new wxStaticText(this, frequencyIds[c], "", units.at(kFrequencyX, y + 3),
                                           units.size(kFrequencyWidth, kTextHeight), wxST_NO_AUTORESIZE);
        notes_[c] = new wxStaticText(this, noteIds[c], "", units.at(kNoteX, y + 3), units.size(kNoteWidth, kTextHeight),
                                     wxST_NO_AUTORESIZE);
        if (c == 1 && sound_.channels < 2) {
            label->Disable();
            slider->Disable();
            frequencies_[c]->Disable();
            notes_[c]->Disable();
        }
    }
    const int hintY = kRowTop + 2 * kRowStep + 1;
    new wxStaticText(this, wxID_ANY, "(Use the right and left arrows for fine adjustment)", units.at(kMargin, hintY),
                     units.size(kSliderX + kSliderWidth - kMargin, kTextHeight));

    units.addOkCancelColumn(kButtonX, kRowTop);

    const wxPoint extent = units.at(kMargin + kViewWidth + kMargin, hintY + kTextHeight + kMargin);
    SetClientSize(extent.x, extent.y);
}

bool CManualPitchDlg::TransferDataToWindow()
{
    for (int c = 0; c < 2; ++c) {
        const double position = std::isfinite(bins[c]) ? std::trunc(bins[c] + 0.5) : 0.0;
        const double clamped = std::clamp(position, 0.0, static_cast<double>(std::max(0, sound_.frameSize / 2 - 1)));
        sliders_[c]->SetValue(static_cast<int>(clamped));
        readSlider(c);
    }
    return true;
}

void CManualPitchDlg::readSlider(int channel)
{
    const int lastBin = std::max(0, sound_.frameSize / 2 - 1);
    const int position = std::min(sliders_[channel]->GetValue(), lastBin);
    bins[channel] = position;
    const double hz = manualPitchFrequency(position, sound_.sampleRate, sound_.frameSize);
    frequencies_[channel]->SetLabel(wxString::FromUTF8(manualPitchFrequencyText(hz)));
    notes_[channel]->SetLabel(wxString::FromUTF8(manualPitchNoteText(hz)));
    view_->setBins(bins);
}

void CManualPitchDlg::onSliderChanged(wxCommandEvent& event)
{
    readSlider(event.GetId() == IDC_PITCH_SLIDER2 ? 1 : 0);
    event.Skip();
}

void CManualPitchDlg::onSliderScrolled(wxScrollEvent& event)
{
    readSlider(event.GetId() == IDC_PITCH_SLIDER2 ? 1 : 0);
    event.Skip();
}

void CManualPitchDlg::onViewClicked(int channel, double bin)
{
    if (channel == 1 && sound_.channels < 2)
        channel = 0;
    sliders_[channel]->SetValue(static_cast<int>(bin + 0.5));
    readSlider(channel);
}
