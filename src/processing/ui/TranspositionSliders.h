#pragma once
// The two transposition sliders that Pitch shift (167) and Change sample
// rate (191) share: semitones (1053, -24 .. 24, page 12, a tick per step)
// with its value label 1099, and cents (1054, -500 .. 500 positions of 0.1
// cent, page 10, a tick every 50) with its value label 1100, each under its
// caption and above its fixed end and centre labels.

#include <wx/event.h>

#include <functional>
#include <string>

class wxSlider;
class wxStaticText;
class wxWindow;

class TranspositionSliders {
public:
    enum { IDC_SEMITONES = 1053, IDC_CENTS = 1054, IDC_SEMITONES_VALUE = 1099, IDC_CENTS_VALUE = 1100 };
    static constexpr int kSemitoneRange = 24;
    static constexpr int kCentsPositions = 500;
    // Height in dialog units of the two rows.
    static constexpr int kHeight = 76;

    // Creates both rows in `dialog` with their top left at (x, y) dialog
    // units. `moved` runs after every change of either slider, by the user
    // or by setPositions.
    TranspositionSliders(wxWindow* dialog, int x, int y, std::function<void()> moved);

    // Both positions, clamped to the ranges.
    void setPositions(int semitones, int centsPosition);
    int semitonePosition() const;
    int centsPosition() const;
    void setLabels(const std::string& semitones, const std::string& cents);

    wxSlider* semitoneSlider() const { return semitones_; }
    wxSlider* centsSlider() const { return cents_; }
    wxStaticText* semitoneLabel() const { return semitoneValue_; }
    wxStaticText* centsLabel() const { return centsValue_; }

private:
    wxSlider* semitones_ = nullptr;
    wxSlider* cents_ = nullptr;
    wxStaticText* semitoneValue_ = nullptr;
    wxStaticText* centsValue_ = nullptr;
    std::function<void()> moved_;
};

// Nearest slider position of a value in cents (0.1 cent per position),
// halves away from zero.
int centsSliderPosition(double cents);
