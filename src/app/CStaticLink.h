#pragma once
// A static text that looks and acts like a link of a web page: underlined,
// blue until opened once, purple after; a click opens the address with the
// desktop's browser. When the address cannot be opened the default beep
// sounds and nothing changes.

#include <wx/stattext.h>
#include <wx/generic/stattextg.h>

#include <string>

class CStaticLink : public wxGenericStaticText {
public:
    // link empty: the shown text is the address.
    CStaticLink(wxWindow* parent, wxWindowID id, const wxString& text, const wxPoint& pos,
                const std::string& link = {});

    // What a click does.
    void click();
    bool visited() const { return visited_ != 0; }
    const std::string& link() const { return link_; }
    wxColour unvisitedColour() const { return unvisitedColour_; }
    wxColour visitedColour() const { return visitedColour_; }

private:
    void applyLook();

    wxColour unvisitedColour_{0, 0, 255};
    wxColour visitedColour_{128, 0, 128};
    int visited_ = 0;
    std::string link_;
    wxFont underlined_; // made from the control's font on first use
};
