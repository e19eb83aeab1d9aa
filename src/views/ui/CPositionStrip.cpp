#include "views/ui/CPositionStrip.h"

#include "views/ui/COverviewStrip.h"

CPositionStrip::CPositionStrip(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : CPictureView(parent, id, pos, size, wxBORDER_SUNKEN)
{
}

void CPositionStrip::setSound(const SampleBuffer* sound)
{
    sound_ = sound;
    Refresh(false);
}

void CPositionStrip::setStretch(int32_t first, int32_t last)
{
    first_ = first;
    last_ = last;
    Refresh(false);
}

void CPositionStrip::drawPicture(wxDC& dc, const wxSize& size)
{
    if (!sound_)
        return;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(wxColour(255, 255, 255)));
    dc.DrawRectangle(0, 0, size.x, size.y);
    rebuildWaveformColumns(*sound_, size.x, size.y, columns_);
    const double spp = columns_.samplesPerPixel;
    drawStripTrace(dc, size, columns_, columnOfSample(first_, spp), columnOfSample(last_, spp), wxColour(0, 0, 128),
                   wxColour(128, 128, 196));
}
