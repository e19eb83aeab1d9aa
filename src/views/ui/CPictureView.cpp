#include "views/ui/CPictureView.h"

#include <wx/dcbuffer.h>
#include <wx/dcmemory.h>

#include <algorithm>

CPictureView::CPictureView()
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &CPictureView::onPaint, this);
}

CPictureView::CPictureView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
    : CPictureView()
{
    Create(parent, id, pos, size, style);
}

wxBitmap CPictureView::renderBitmap()
{
    const wxSize size = GetClientSize();
    wxBitmap out(std::max(size.x, 1), std::max(size.y, 1));
    wxMemoryDC dc(out);
    drawPicture(dc, size);
    dc.SelectObject(wxNullBitmap);
    return out;
}

void CPictureView::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    drawPicture(dc, GetClientSize());
    afterPaint();
}
