#include "views/ui/CCutBoostSpectrumView.h"

#include "processing/cut_boost.h"

#include <wx/stattext.h>
#include <wx/utils.h>

#include <algorithm>

namespace {

const wxColour kBackground(255, 255, 255);
const wxColour kShape(200, 0, 64);
const wxColour kGrey(128, 128, 128);
const wxColour kBar(0, 0, 128);

} // namespace

CCutBoostSpectrumView::CCutBoostSpectrumView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                                             bool attack)
    : CPictureView(parent, id, pos, size, wxBORDER_SUNKEN), attack_(attack)
{
    Bind(wxEVT_MOTION, &CCutBoostSpectrumView::onMotion, this);
}

void CCutBoostSpectrumView::setFrame(int n, int32_t start)
{
    n_ = n;
    start_ = start;
    channels_ = 0;
    ready_ = false;
    Refresh(false);
}

void CCutBoostSpectrumView::compute()
{
    const wxSize size = GetClientSize();
    channels_ = session_ ? session_->channels() : 0;
    for (int c = 0; c < 2; ++c) {
        if (c < channels_)
            computeCutBoostBars(session_->channel(c), session_->frameCount(), start_, n_, size.x, size.y,
                                channels_ == 2, bars_[c], frame_);
        else
            bars_[c].clear();
    }
    ready_ = true;
    Refresh(false);
}

void CCutBoostSpectrumView::setShape(const FilterShape& shape)
{
    const FilterShape old = shape_;
    const bool hadShape = hasShape_;
    shape_ = shape;
    hasShape_ = true;
    if (hadShape)
        refreshBox(old);
    refreshBox(shape_);
}

void CCutBoostSpectrumView::refreshBox(const FilterShape& shape)
{
    // One pixel of slack on every side: a line's end and the outline's edge.
    RefreshRect(wxRect(wxPoint(shape.left() - 1, shape.top() - 1), wxPoint(shape.right() + 1, shape.bottom() + 1)),
                false);
}

void CCutBoostSpectrumView::drawPicture(wxDC& dc, const wxSize& size)
{
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(kBackground));
    dc.DrawRectangle(0, 0, size.x, size.y);
    if (!ready_ && session_ && n_ >= 2) {
        wxBusyCursor wait;
        compute();
    }
    if (hasShape_) {
        wxPoint corners[4];
        for (int i = 0; i < 4; ++i)
            corners[i] = wxPoint(shape_.x[i], shape_.y[i]);
        dc.SetClippingRegion(0, 0, size.x, size.y);
        dc.SetBrush(wxBrush(kShape));
        dc.SetPen(wxPen(kShape, 1));
        dc.DrawPolygon(4, corners);
        dc.DestroyClippingRegion();
    }
    if (!ready_)
        return;
    dc.SetPen(wxPen(kBar, 1));
    for (int c = 0; c < channels_; ++c) {
        const int baseline = channels_ == 2 && c == 0 ? size.y / 2 : size.y;
        const std::vector<int>& bars = bars_[c];
        const int width = std::min<int>(size.x, static_cast<int>(bars.size()));
        for (int x = 0; x < width; ++x)
            if (bars[x] > 0)
                dc.DrawLine(x, baseline - 1, x, baseline - 1 - bars[x]);
    }
    if (channels_ == 2) {
        dc.SetPen(wxPen(kGrey, 1));
        dc.DrawLine(0, size.y / 2, size.x, size.y / 2);
    }
}

void CCutBoostSpectrumView::onMotion(wxMouseEvent& event)
{
    mouseMove(event.GetX(), event.GetY());
    event.Skip();
}

void CCutBoostSpectrumView::mouseMove(int x, int y)
{
    const wxSize size = GetClientSize();
    if (!ready_ || channels_ == 0 || !session_ || x < 0 || y < 0 || x >= size.x || y >= size.y)
        return;
    const CutBoostReadout r = cutBoostReadout(x, y, size.x, size.y, n_, session_->sampleRate(), channels_ == 2);
    if (hzLabel_)
        hzLabel_->SetLabel(r.hz);
    if (dbLabel_)
        dbLabel_->SetLabel(r.db);
}
