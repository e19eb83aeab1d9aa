#pragma once
// The Volume dialog (161) and the one-slider level dialog it shares with
// Normalize (182). The dialogs only choose a level in dB; the caller applies
// it to the sound (processing/volume.h, processing/normalize.h).
//
// The slider is vertical, one position per 0.1 dB: level = -position / 10,
// position = -10 * level (so the top, the lowest position, is the highest
// level). Page size 10 positions (1 dB), ticks every 30 (3 dB).

#include <wx/dialog.h>

#include <vector>

class wxSlider;
class wxStaticText;

class CLevelDlg : public wxDialog {
public:
    enum { IDC_LEVEL_SLIDER = 1053, IDC_LEVEL_VALUE = 1078 };

    // The level in dB: set by the caller before ShowModal (the last accepted
    // level), followed by the slider while the dialog is open, and read by
    // the caller after wxID_OK only.
    double levelDb = 0.0;

    wxSlider* slider() const { return slider_; }
    wxStaticText* valueLabel() const { return valueLabel_; }

    // Dialog start: slider at -10 * levelDb rounded to the nearest step
    // (clamped to the range), and the value label written from it.
    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

    // Layout in dialog units. Labels are spread evenly from the top of the
    // slider's travel to its bottom.
    struct Layout {
        int minPosition;
        int maxPosition;
        const char* caption;  // above the slider, or null
        std::vector<const char*> labels; // right of the slider, top to bottom
        int sliderTop;
        int sliderHeight;
    };
protected:
    CLevelDlg(wxWindow* parent, int dialogId, const wxString& title, const Layout& layout, double startLevelDb);

private:
    // Native sliders send no paint notification: the level and its label
    // follow every value change instead.
    void onSliderChanged(wxCommandEvent& event);
    void onSliderScrolled(wxScrollEvent& event);
    void readSlider();

    wxSlider* slider_ = nullptr;
    wxStaticText* valueLabel_ = nullptr;
};

// "Volume": +18 dB (top) .. -18 dB (bottom).
class CVolumeDlg : public CLevelDlg {
public:
    enum { IDD = 161 };
    CVolumeDlg(wxWindow* parent, double startLevelDb);
};
