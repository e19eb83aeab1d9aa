#include "views/ui/CJunctionPanel.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace {

struct NudgeButton {
    const char* label;
    const char* tip;
    NudgeStep step;
    int direction;
};

const NudgeButton kNudgeButtons[] = {
    {"|<", "Previous rising zero crossing", NudgeStep::ZeroCrossing, -1},
    {"-P", "One period earlier", NudgeStep::Period, -1},
    {"-1", "One sample earlier", NudgeStep::Sample, -1},
    {"+1", "One sample later", NudgeStep::Sample, 1},
    {"+P", "One period later", NudgeStep::Period, 1},
    {">|", "Next rising zero crossing", NudgeStep::ZeroCrossing, 1},
};

} // namespace

CJunctionPanel::CJunctionPanel(wxWindow* parent, wxWindowID id, const wxRect& rect)
    : wxPanel(parent, id, rect.GetPosition(), rect.GetSize())
{
    view_ = new CJunctionView(this, wxID_ANY);
    auto* column = new wxBoxSizer(wxVERTICAL);
    check_ = new wxStaticText(this, wxID_ANY, "", wxDefaultPosition, wxDefaultSize, wxST_NO_AUTORESIZE);
    check_->SetFont(wxFont(wxFontInfo(8)));
    column->Add(check_, 1, wxEXPAND | wxBOTTOM, 2);

    auto small = [this](int bid, const char* label, const char* tip) {
        auto* b = new wxButton(this, bid, label, wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
        b->SetFont(wxFont(wxFontInfo(8)));
        b->SetToolTip(tip);
        return b;
    };
    auto* zoom = new wxBoxSizer(wxHORIZONTAL);
    zoom->Add(new wxStaticText(this, wxID_ANY, "Zoom:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    zoom->Add(small(ID_ZOOM_IN, "+", "Zoom in"));
    zoom->Add(small(ID_ZOOM_OUT, "-", "Zoom out"));
    column->Add(zoom);
    const char* names[2] = {"Start:", "End:"};
    for (int point = 0; point < 2; ++point) {
        auto* row = new wxBoxSizer(wxHORIZONTAL);
        auto* name = new wxStaticText(this, wxID_ANY, names[point], wxDefaultPosition, wxSize(34, -1));
        row->Add(name, 0, wxALIGN_CENTER_VERTICAL);
        for (int k = 0; k < 6; ++k) {
            const NudgeButton& nb = kNudgeButtons[k];
            const int bid = ID_NUDGE_FIRST + 6 * point + k;
            row->Add(small(bid, nb.label, nb.tip));
            Bind(wxEVT_BUTTON, [this, point, nb](wxCommandEvent&) {
                const LoopPoint which = point == 0 ? LoopPoint::Start : LoopPoint::End;
                view_->setActivePoint(which);
                if (const auto& hook = view_->nudgeHook())
                    hook(which, nb.step, nb.direction);
            }, bid);
        }
        column->Add(row);
    }
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { view_->zoomBy(-1); }, ID_ZOOM_IN);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { view_->zoomBy(+1); }, ID_ZOOM_OUT);

    auto* top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(view_, 1, wxEXPAND | wxRIGHT, 4);
    top->Add(column, 0, wxEXPAND);
    SetSizer(top);
    Layout();
}

void CJunctionPanel::setCheckText(const wxString& text)
{
    check_->SetLabel(text);
}

wxString CJunctionPanel::checkText() const
{
    return check_->GetLabel();
}
