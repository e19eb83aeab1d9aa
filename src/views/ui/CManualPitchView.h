#pragma once
// The manual pitch dialog's spectrum view (control 1107): each channel's
// whole spectrum, one column per pixel, the chosen bin of each channel in the
// marker colour. The spectra are computed on the first paint, under the wait
// cursor. A left click reports the channel under the pointer and the bin
// under it; the dialog moves that channel's slider. The computing lives in
// ManualPitchDisplay; this window only draws and forwards the mouse.

#include "views/manual_pitch_display.h"
#include "views/ui/CPictureView.h"

#include <functional>

class CManualPitchView : public CPictureView {
public:
    CManualPitchView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                     const ManualPitchSound& sound);

    // The chosen bins the markers show (the second read for stereo only).
    void setBins(const double bins[2]);

    // A click chose `bin` for `channel` (0 or 1).
    void setClickHook(std::function<void(int channel, double bin)> hook) { clickHook_ = std::move(hook); }

    const ManualPitchDisplay& model() const { return model_; }
    // renderBitmap computes the columns first when no paint has yet.

    // Mouse handling with client coordinates, public for tests.
    void leftDown(int x, int y);

private:
    void drawPicture(wxDC& dc, const wxSize& size) override;
    void onLeftDown(wxMouseEvent& event);

    ManualPitchDisplay model_;
    double bins_[2] = {0.0, 0.0};
    std::function<void(int, double)> clickHook_;
};
