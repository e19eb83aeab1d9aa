#include "views/ui/CManualPitchView.h"

#include <wx/pen.h>
#include <wx/utils.h>

namespace {

const wxColour kBackground(255, 255, 255);

wxPen penFor(SpectrumPen pen)
{
    switch (pen) {
    case SpectrumPen::SelectedMarker:
    case SpectrumPen::Marker:
        return wxPen(wxColour(200, 0, 64), 1);
    case SpectrumPen::Divider:
        return wxPen(wxColour(128, 128, 128), 1);
    case SpectrumPen::Column:
        break;
    }
    return wxPen(wxColour(128, 128, 196), 1);
}

} // namespace

CManualPitchView::CManualPitchView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                                   const ManualPitchSound& sound)
    : CPictureView(parent, id, pos, size, wxBORDER_SUNKEN)
{
    model_.setSound(sound);
    Bind(wxEVT_LEFT_DOWN, &CManualPitchView::onLeftDown, this);
}

void CManualPitchView::setBins(const double bins[2])
{
    bins_[0] = bins[0];
    bins_[1] = bins[1];
    Refresh(false);
}

void CManualPitchView::drawPicture(wxDC& dc, const wxSize& size)
{
    dc.SetBackground(wxBrush(kBackground));
    dc.Clear();
    if (!model_.hasColumns()) {
        // A frame of up to a million points: worth the wait cursor.
        wxBusyCursor wait;
        model_.prepare(size.x, size.y);
    } else {
        model_.prepare(size.x, size.y);
    }
    drawLineStrokes(dc, model_.strokes(size.x, size.y, bins_), penFor);
}

void CManualPitchView::leftDown(int x, int y)
{
    const wxSize size = GetClientSize();
    const ManualPitchSound& sound = model_.sound();
    if (!sound.usable() || size.x <= 0 || x < 0 || x >= size.x)
        return;
    const int channel = manualPitchChannelAt(y, size.y, sound.channels);
    const double bin = manualPitchBinAt(x, sound.frameSize, size.x);
    Refresh(false);
    if (clickHook_)
        clickHook_(channel, bin);
}

void CManualPitchView::onLeftDown(wxMouseEvent& event)
{
    leftDown(event.GetX(), event.GetY());
    event.Skip();
}
