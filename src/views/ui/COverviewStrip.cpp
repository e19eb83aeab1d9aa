#include "views/ui/COverviewStrip.h"

#include <vector>

namespace {

const wxColour kWhite(255, 255, 255);
const wxColour kMarkedBackground(192, 192, 192);
const wxColour kTrace(0, 0, 128);
const wxColour kStretch(200, 0, 64);
const wxColour kDivider(128, 128, 128);

} // namespace

void drawStripTrace(wxDC& dc, const wxSize& size, const WaveformColumns& columns, int xs, int xe,
                    const wxColour& traceColour, const wxColour& stretchColour)
{
    if (columns.empty())
        return;
    const int width = std::min(size.x, columns.width);
    std::vector<wxPoint> points;
    points.reserve(static_cast<size_t>(2 * width + 1));
    for (int c = 0; c < columns.channelCount; ++c) {
        const int centre = columns.centreY[c];
        dc.SetPen(wxPen(traceColour, 1));
        dc.DrawLine(0, centre, size.x, centre);

        auto inStretch = [&](int x) { return x >= xs && x < xe; };
        points.clear();
        points.emplace_back(0, centre);
        bool current = width > 0 && inStretch(0);
        for (int x = 0; x < width; ++x) {
            if (inStretch(x) != current) {
                dc.SetPen(wxPen(current ? stretchColour : traceColour, 1));
                dc.DrawLines(static_cast<int>(points.size()), points.data());
                const wxPoint last = points.back();
                points.clear();
                points.push_back(last);
                current = !current;
            }
            points.emplace_back(x, columns.minY[c][x]);
            points.emplace_back(x, columns.maxY[c][x]);
        }
        if (points.size() > 1) {
            dc.SetPen(wxPen(current ? stretchColour : traceColour, 1));
            dc.DrawLines(static_cast<int>(points.size()), points.data());
        }
        if (c == 1) {
            dc.SetPen(wxPen(kDivider, 1));
            dc.DrawLine(0, size.y / 2, size.x, size.y / 2);
        }
    }
}

COverviewStrip::COverviewStrip(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : CPictureView(parent, id, pos, size, wxBORDER_SUNKEN)
{
}

void COverviewStrip::setData(int channels, int32_t frameCount, const int16_t* left, const int16_t* right)
{
    channels_ = channels;
    frames_ = frameCount;
    data_[0] = left;
    data_[1] = channels == 2 ? right : nullptr;
    columns_ = WaveformColumns();
    if (GetClientSize().x > 0)
        compute();
    Refresh(false);
}

void COverviewStrip::dataChanged()
{
    compute();
    Refresh(false);
}

void COverviewStrip::setPlain(bool plain)
{
    plain_ = plain;
    Refresh(false);
}

void COverviewStrip::setStretch(int32_t first, int32_t last)
{
    first_ = first;
    last_ = last;
    Refresh(false);
}

void COverviewStrip::compute()
{
    const wxSize size = GetClientSize();
    rebuildWaveformColumns(data_[0], data_[1], channels_, frames_, size.x, size.y, columns_);
}

void COverviewStrip::drawPicture(wxDC& dc, const wxSize& size)
{
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(plain_ ? kWhite : kMarkedBackground));
    dc.DrawRectangle(0, 0, size.x, size.y);
    if (columns_.samplesPerPixel <= 0.0 && data_[0])
        compute();
    const int xs = plain_ ? size.x : stretchLeft();
    const int xe = plain_ ? size.x : stretchRight();
    drawStripTrace(dc, size, columns_, xs, xe, kTrace, kStretch);
}
