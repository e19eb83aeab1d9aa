#pragma once
// The main spectrum display (control 1046): each channel's spectrum up to 32
// times its fundamental, a marker on every harmonic, the selected one in its
// own colour. A click on or just left of a marker selects that harmonic; the
// pointer reads out frequency and level. The computing lives in
// SpectrumDisplay; this window only draws and forwards the mouse.

#include "dsp/spectrum_analysis.h"
#include "views/spectrum_display.h"
#include "views/ui/CPictureView.h"

#include <functional>

class CSpectrumView : public CPictureView {
public:
    CSpectrumView();
    CSpectrumView(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                  const wxSize& size = wxDefaultSize, long style = wxBORDER_SUNKEN);
    bool Create(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = wxBORDER_SUNKEN);

    // An analysis is starting: only the background is painted until the next
    // showAnalysis.
    void beginAnalysis();
    // Takes the spectra of a finished analysis (copied, so that a resize can
    // recompute the columns), marks the display ready and repaints.
    void showAnalysis(const SpectrumAnalysis& analysis);

    int selectedHarmonic() const { return model_.selectedHarmonic(); }
    // Sets the selection without calling the harmonic hook (the selector
    // spin and edit call this when the user changes them).
    void setSelectedHarmonic(int harmonic);

    // A click selected harmonic n (1 .. 32): the owner sets spin 1040 and
    // edit 1039, which update the profiles.
    void setHarmonicHook(std::function<void(int harmonic)> hook) { harmonicHook_ = std::move(hook); }
    // Frequency ("440. Hz") and level ("-12 dB") under the pointer.
    void setReadoutHook(std::function<void(const wxString& frequency, const wxString& level)> hook)
    {
        readoutHook_ = std::move(hook);
    }
    // Or: the two statics (1012, 1013) the view fills directly (may be null).
    void setReadoutControls(wxWindow* frequencyText, wxWindow* levelText)
    {
        frequencyText_ = frequencyText;
        levelText_ = levelText;
    }

    const SpectrumDisplay& model() const { return model_; }

    // Mouse handling with client coordinates, public for tests.
    void leftDown(int x);
    void mouseMove(int x, int y);

private:
    void recompute();
    void drawPicture(wxDC& dc, const wxSize& size) override;

    void onSize(wxSizeEvent& event);
    void onLeftDown(wxMouseEvent& event);
    void onMotion(wxMouseEvent& event);

    SpectrumDisplay model_;
    SpectrumAnalysis analysis_; // magnitudes of the last analysis (no work frame)
    bool hasAnalysis_ = false;

    std::function<void(int)> harmonicHook_;
    std::function<void(const wxString&, const wxString&)> readoutHook_;
    wxWindow* frequencyText_ = nullptr;
    wxWindow* levelText_ = nullptr;

    wxDECLARE_DYNAMIC_CLASS(CSpectrumView);
};
