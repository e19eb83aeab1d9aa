#include "views/ui/CSpectrumView.h"

#include <wx/pen.h>

wxIMPLEMENT_DYNAMIC_CLASS(CSpectrumView, wxWindow);

namespace {

const wxColour kBackground(255, 255, 255);

wxPen penFor(SpectrumPen pen)
{
    switch (pen) {
    case SpectrumPen::Marker:
        return wxPen(wxColour(0, 0, 128), 2);
    case SpectrumPen::SelectedMarker:
        return wxPen(wxColour(200, 0, 64), 2);
    case SpectrumPen::Divider:
        return wxPen(wxColour(128, 128, 128), 1);
    case SpectrumPen::Column:
        break;
    }
    return wxPen(wxColour(128, 128, 196), 1);
}

} // namespace

CSpectrumView::CSpectrumView() = default;

CSpectrumView::CSpectrumView(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
{
    Create(parent, id, pos, size, style);
}

bool CSpectrumView::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size, long style)
{
    if (!wxWindow::Create(parent, id, pos, size, style))
        return false;
    Bind(wxEVT_SIZE, &CSpectrumView::onSize, this);
    Bind(wxEVT_LEFT_DOWN, &CSpectrumView::onLeftDown, this);
    Bind(wxEVT_MOTION, &CSpectrumView::onMotion, this);
    return true;
}

void CSpectrumView::beginAnalysis()
{
    model_.beginAnalysis();
    Refresh(false);
}

void CSpectrumView::showAnalysis(const SpectrumAnalysis& analysis)
{
    analysis_.frameSize = analysis.frameSize;
    analysis_.channels = analysis.channels;
    analysis_.sampleRate = analysis.sampleRate;
    for (int c = 0; c < 2; ++c) {
        analysis_.fundamentalBin[c] = analysis.fundamentalBin[c];
        analysis_.channelHz[c] = analysis.channelHz[c];
        analysis_.magnitudes[c] = analysis.magnitudes[c];
    }
    hasAnalysis_ = true;
    recompute();
    model_.markReady();
    Refresh(false);
}

void CSpectrumView::recompute()
{
    const wxSize size = GetClientSize();
    model_.setAnalysis(analysis_, size.x, size.y);
}

void CSpectrumView::setSelectedHarmonic(int harmonic)
{
    if (harmonic == model_.selectedHarmonic())
        return;
    model_.setSelectedHarmonic(harmonic);
    Refresh(false);
}

void CSpectrumView::drawPicture(wxDC& dc, const wxSize& size)
{
    dc.SetBackground(wxBrush(kBackground));
    dc.Clear();
    drawLineStrokes(dc, model_.strokes(size.x, size.y), penFor);
}

void CSpectrumView::onSize(wxSizeEvent& event)
{
    if (hasAnalysis_) {
        const bool ready = model_.isReady();
        recompute();
        if (ready)
            model_.markReady();
    }
    Refresh(false);
    event.Skip();
}

void CSpectrumView::leftDown(int x)
{
    const int harmonic = model_.click(x, GetClientSize().x);
    if (harmonic <= 0)
        return;
    Refresh(false);
    if (harmonicHook_)
        harmonicHook_(harmonic);
}

void CSpectrumView::mouseMove(int x, int y)
{
    const wxSize size = GetClientSize();
    if (x < 0 || y < 0 || x >= size.x || y >= size.y)
        return;
    SpectrumReadout r;
    if (!model_.readout(x, y, size.x, size.y, r))
        return;
    const wxString frequency = wxString::FromUTF8(r.frequencyText);
    const wxString level = wxString::FromUTF8(r.levelText);
    if (frequencyText_)
        frequencyText_->SetLabel(frequency);
    if (levelText_)
        levelText_->SetLabel(level);
    if (readoutHook_)
        readoutHook_(frequency, level);
}

void CSpectrumView::onLeftDown(wxMouseEvent& event)
{
    leftDown(event.GetX());
    event.Skip();
}

void CSpectrumView::onMotion(wxMouseEvent& event)
{
    mouseMove(event.GetX(), event.GetY());
    event.Skip();
}
