#include "processing/ui/TranspositionSliders.h"

#include "platform/ui/DialogUnits.h"

#include <wx/slider.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cmath>

namespace {

// Dialog-unit geometry of one row: caption, slider with its value label to
// the right, and the end and centre labels below.
constexpr int kSliderWidth = 150;
constexpr int kSliderHeight = 16;
constexpr int kTextHeight = 8;
constexpr int kValueWidth = 28;
constexpr int kRowHeight = 38;
constexpr int kEndLabelWidth = 16;
// The thumb keeps the ends of the travel this far inside the control.
constexpr int kTravelInset = 5;

wxSlider* makeRow(wxWindow* dialog, const DialogUnits& units, int x, int y, const char* caption, int sliderId,
                  int valueId, int minimum, int maximum, int pageSize, int tickFrequency, const char* low,
                  const char* high, wxStaticText*& value)
{
    new wxStaticText(dialog, wxID_ANY, caption, units.at(x, y), units.size(kSliderWidth, kTextHeight));
    auto* slider = new wxSlider(dialog, sliderId, 0, minimum, maximum, units.at(x, y + 10),
                                units.size(kSliderWidth, kSliderHeight), wxSL_HORIZONTAL | wxSL_AUTOTICKS);
    slider->SetLineSize(1);
    slider->SetPageSize(pageSize);
    slider->SetTickFreq(tickFrequency);
    value = new wxStaticText(dialog, valueId, "", units.at(x + kSliderWidth + 4, y + 14),
                             units.size(kValueWidth, kTextHeight), wxST_NO_AUTORESIZE);

    const int labelY = y + 10 + kSliderHeight + 1;
    const int left = x + kTravelInset;
    const int right = x + kSliderWidth - kTravelInset;
    new wxStaticText(dialog, wxID_ANY, low, units.at(left - kEndLabelWidth / 2, labelY),
                     units.size(kEndLabelWidth, kTextHeight), wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    new wxStaticText(dialog, wxID_ANY, "0", units.at((left + right) / 2 - kEndLabelWidth / 2, labelY),
                     units.size(kEndLabelWidth, kTextHeight), wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    new wxStaticText(dialog, wxID_ANY, high, units.at(right - kEndLabelWidth / 2, labelY),
                     units.size(kEndLabelWidth, kTextHeight), wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE);
    return slider;
}

} // namespace

TranspositionSliders::TranspositionSliders(wxWindow* dialog, int x, int y, std::function<void()> moved)
    : moved_(std::move(moved))
{
    const DialogUnits units(dialog);
    semitones_ = makeRow(dialog, units, x, y, "Semitones to shift pitch :", IDC_SEMITONES, IDC_SEMITONES_VALUE,
                         -kSemitoneRange, kSemitoneRange, 12, 1, "-24", "24", semitoneValue_);
    cents_ = makeRow(dialog, units, x, y + kRowHeight, "Cents to shift pitch :", IDC_CENTS, IDC_CENTS_VALUE,
                     -kCentsPositions, kCentsPositions, 10, 50, "-50", "50", centsValue_);

    // Native sliders send no paint notification: every value change stands
    // for it.
    for (wxSlider* slider : {semitones_, cents_}) {
        slider->Bind(wxEVT_SLIDER, [this](wxCommandEvent& e) {
            moved_();
            e.Skip();
        });
        slider->Bind(wxEVT_SCROLL_THUMBTRACK, [this](wxScrollEvent& e) {
            moved_();
            e.Skip();
        });
    }
}

void TranspositionSliders::setPositions(int semitones, int centsPosition)
{
    semitones_->SetValue(std::clamp(semitones, -kSemitoneRange, kSemitoneRange));
    cents_->SetValue(std::clamp(centsPosition, -kCentsPositions, kCentsPositions));
    moved_();
}

int TranspositionSliders::semitonePosition() const
{
    return semitones_->GetValue();
}

int TranspositionSliders::centsPosition() const
{
    return cents_->GetValue();
}

void TranspositionSliders::setLabels(const std::string& semitones, const std::string& cents)
{
    semitoneValue_->SetLabel(semitones);
    centsValue_->SetLabel(cents);
}

int centsSliderPosition(double cents)
{
    if (!std::isfinite(cents))
        return 0;
    const double p = std::clamp(std::round(cents * 10.0), -1e6, 1e6);
    return static_cast<int>(p);
}
