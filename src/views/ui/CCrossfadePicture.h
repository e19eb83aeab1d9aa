#pragma once
// The small picture beside the kind-of-crossfade list: a 12 x 12 image of the
// selected curve drawn at the control's top-left corner.

#include <wx/bitmap.h>
#include <wx/window.h>

class CCrossfadePicture : public wxWindow {
public:
    // Kinds in the order of the list: 0 linear, 1 exponential, 2 inverse exponential.
    static constexpr int kKinds = 3;
    static constexpr int kImageSize = 12;

    CCrossfadePicture();
    CCrossfadePicture(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                      const wxSize& size = wxSize(kImageSize, kImageSize), long style = 0);
    bool Create(wxWindow* parent, wxWindowID id = wxID_ANY, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxSize(kImageSize, kImageSize), long style = 0);

    // Shows `kind` (out-of-range values are ignored) and repaints on a change.
    void setKind(int kind);
    int kind() const { return kind_; }

    // The image of one kind: the fade-in weight of the loop end over the
    // crossfade, w(t) = t, 2^(-12 (1 - t)) and 1 - 2^(-12 t) for t in 0..1,
    // dark on a transparent ground, rising from bottom-left to top-right.
    static wxBitmap curveBitmap(int kind);

private:
    void onPaint(wxPaintEvent& event);

    int kind_ = 0;
    wxBitmap images_[kKinds];

    wxDECLARE_DYNAMIC_CLASS(CCrossfadePicture);
};
