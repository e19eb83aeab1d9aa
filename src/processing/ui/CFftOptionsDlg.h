#pragma once
// "FFT Options" (dialog 151): the size of the main analysis window (combo of
// 1024 .. 65536 samples, its index the exponent e of 1024 * 2^e) and its
// start in milliseconds, with a position strip that marks the analysed
// samples and follows every change at once. The dialog only edits the two
// numbers; the caller applies them (processing/fft_options.h).

#include <wx/dialog.h>

#include <cstdint>

struct SampleBuffer;
class CPositionStrip;
class CUpDownCtrl;
class wxChoice;
class wxTextCtrl;

class CFftOptionsDlg : public wxDialog {
public:
    enum {
        IDD = 151,
        IDC_START_SPIN = 1022,
        IDC_START_EDIT = 1057,
        IDC_WINDOW_COMBO = 1059,
        IDC_POSITION_STRIP = 1060,
    };

    // `sound` is shown in the strip and gives the rate; it must outlive the
    // dialog.
    CFftOptionsDlg(wxWindow* parent, const SampleBuffer& sound);

    // Set by the caller before ShowModal, read after wxID_OK.
    int32_t startMs = 0;
    int16_t exponent = 4;
    int32_t largestStartMs = 60000; // the up-down's upper bound

    wxChoice* windowCombo() const { return combo_; }
    wxTextCtrl* startEdit() const { return edit_; }
    CUpDownCtrl* startSpin() const { return spin_; }
    CPositionStrip* positionStrip() const { return strip_; }

    // Dialog start: the combo at the exponent, the up-down at 0 .. largest
    // start and the start, the strip's window; from then on changes follow.
    bool TransferDataToWindow() override;
    // The start must be an integer in 0 .. 60000 ("Please enter an
    // integer." / "Please enter an integer between 0 and 60000."); false
    // keeps the dialog open.
    bool TransferDataFromWindow() override;

private:
    void onWindowChosen(wxCommandEvent&);
    void onStartChanged(wxCommandEvent&);
    void markWindow();

    const SampleBuffer& sound_;
    wxChoice* combo_ = nullptr;
    wxTextCtrl* edit_ = nullptr;
    CUpDownCtrl* spin_ = nullptr;
    CPositionStrip* strip_ = nullptr;
    bool ready_ = false;
};
