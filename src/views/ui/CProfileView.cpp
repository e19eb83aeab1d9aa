#include "views/ui/CProfileView.h"

#include <wx/pen.h>

namespace {

wxPen penFor(ProfilePen pen)
{
    switch (pen) {
    case ProfilePen::Front:
        return wxPen(wxColour(200, 0, 64), 2);
    case ProfilePen::Back:
        return wxPen(wxColour(128, 128, 128), 2);
    case ProfilePen::MiddleLine:
        break;
    }
    return wxPen(wxColour(128, 128, 128), 1);
}

} // namespace

CProfileView::CProfileView(wxWindow* parent, wxWindowID id, ProfileKind kind)
    : model_(kind)
{
    Create(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_SUNKEN);
    Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent& e) {
        leftDown();
        e.Skip();
    });
    Bind(wxEVT_MOTION, [this](wxMouseEvent& e) {
        mouseMove(e.GetX(), e.GetY());
        e.Skip();
    });
}

void CProfileView::setReady(bool ready)
{
    model_.setReady(ready);
    writeTitle();
    Refresh(false);
}

void CProfileView::setProfiles(std::shared_ptr<const HarmonicProfiles> profiles)
{
    model_.setProfiles(std::move(profiles));
    Refresh(false);
}

void CProfileView::setHarmonicIndex(int index)
{
    model_.setHarmonicIndex(index);
    writeTitle();
    Refresh(false);
}

void CProfileView::setBand(int left, int right)
{
    if (left == model_.bandLeft() && right == model_.bandRight())
        return;
    model_.setBand(left, right);
    Refresh(false);
}

void CProfileView::writeTitle()
{
    if (!title_)
        return;
    const wxString text = wxString::FromUTF8(model_.title());
    if (title_->GetLabel() != text)
        title_->SetLabel(text);
}

void CProfileView::drawPicture(wxDC& dc, const wxSize& size)
{
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    if (model_.bandLeft() < model_.bandRight()) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxColour(220, 220, 255)));
        dc.DrawRectangle(model_.bandLeft(), 0, model_.bandRight() - model_.bandLeft(), size.y);
    }
    for (const ProfileStroke& s : model_.strokes(size.x, size.y)) {
        dc.SetPen(penFor(s.pen));
        std::vector<wxPoint> points;
        points.reserve(s.points.size());
        for (const ProfilePoint& p : s.points)
            points.emplace_back(p.x, p.y);
        dc.DrawLines(static_cast<int>(points.size()), points.data());
    }
}

void CProfileView::leftDown()
{
    if (model_.click())
        Refresh(false);
}

void CProfileView::mouseMove(int x, int y)
{
    const wxSize size = GetClientSize();
    if (x < 0 || y < 0 || x >= size.x || y >= size.y)
        return;
    std::string time, value;
    if (!model_.readout(x, y, size.x, size.y, time, value))
        return;
    if (readoutHook_)
        readoutHook_(wxString::FromUTF8(time), wxString::FromUTF8(value));
}
