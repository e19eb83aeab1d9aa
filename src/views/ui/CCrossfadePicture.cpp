#include "views/ui/CCrossfadePicture.h"

#include <wx/dcbuffer.h>
#include <wx/image.h>

#include <algorithm>
#include <cmath>

wxIMPLEMENT_DYNAMIC_CLASS(CCrossfadePicture, wxWindow);

namespace {

double curveWeight(int kind, double t)
{
    switch (kind) {
    case 1:
        return std::pow(2.0, -12.0 * (1.0 - t));
    case 2:
        return 1.0 - std::pow(2.0, -12.0 * t);
    default:
        return t;
    }
}

} // namespace

wxBitmap CCrossfadePicture::curveBitmap(int kind)
{
    constexpr int n = kImageSize;
    wxImage image(n, n);
    image.InitAlpha();
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            image.SetRGB(x, y, 0, 0, 128);
            image.SetAlpha(x, y, wxIMAGE_ALPHA_TRANSPARENT);
        }
    auto rowOf = [&](int x) {
        const double w = curveWeight(kind, static_cast<double>(x) / (n - 1));
        return (n - 1) - static_cast<int>(w * (n - 1) + 0.5);
    };
    // Each column joins its point to the previous column's, so steep parts of
    // the curve stay connected.
    int previous = rowOf(0);
    for (int x = 0; x < n; ++x) {
        const int row = rowOf(x);
        const int from = std::min(row, previous);
        const int to = std::max(row, previous);
        for (int y = from; y <= to; ++y)
            image.SetAlpha(x, y, wxIMAGE_ALPHA_OPAQUE);
        previous = row;
    }
    // A faint base line shows where the weight is 0.
    for (int x = 0; x < n; ++x)
        if (image.GetAlpha(x, n - 1) == wxIMAGE_ALPHA_TRANSPARENT) {
            image.SetRGB(x, n - 1, 160, 160, 160);
            image.SetAlpha(x, n - 1, wxIMAGE_ALPHA_OPAQUE);
        }
    return wxBitmap(image);
}

CCrossfadePicture::CCrossfadePicture() = default;

CCrossfadePicture::CCrossfadePicture(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                                     long style)
{
    Create(parent, id, pos, size, style);
}

bool CCrossfadePicture::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    if (!wxWindow::Create(parent, id, pos, size, style))
        return false;
    for (int k = 0; k < kKinds; ++k)
        images_[k] = curveBitmap(k);
    SetMinSize(wxSize(kImageSize, kImageSize));
    Bind(wxEVT_PAINT, &CCrossfadePicture::onPaint, this);
    return true;
}

void CCrossfadePicture::setKind(int kind)
{
    if (kind < 0 || kind >= kKinds || kind == kind_)
        return;
    kind_ = kind;
    Refresh(false);
}

void CCrossfadePicture::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetParent() ? GetParent()->GetBackgroundColour() : GetBackgroundColour()));
    dc.Clear();
    dc.DrawBitmap(images_[kind_], 0, 0, true);
}
