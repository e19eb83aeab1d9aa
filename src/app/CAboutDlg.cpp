#include "app/CAboutDlg.h"

#include "app/CStaticLink.h"
#include "platform/ui/images.h"

#include <wx/button.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

enum { ID_ABOUT_MANUAL_LINK = 1160, ID_ABOUT_HOME_LINK = 1161 };

CAboutDlg::CAboutDlg(wxWindow* parent)
    : wxDialog(parent, 100, "About Ringtide", wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU)
{
    SetFont(wxFont(wxFontInfo(9).Family(wxFONTFAMILY_SWISS).FaceName("DejaVu Sans")));
    auto at = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };

    const wxBitmapBundle icon = svgBundle("icon.svg", wxSize(32, 32));
    new wxStaticBitmap(this, wxID_ANY, icon, at(11, 6));
    new wxStaticText(this, wxID_ANY, "Ringtide Version 1.01", at(47, 8));
    new CStaticLink(this, ID_ABOUT_HOME_LINK, kHomePage, at(47, 25));
    new wxStaticText(this, wxID_ANY, "Loop search, crossfades and spectral tools by the Ringtide team.", at(47, 56));
    new wxStaticText(this, wxID_ANY, "Made for musicians who build sampled instruments.", at(47, 72));
    new CStaticLink(this, ID_ABOUT_MANUAL_LINK, kManualPage, at(47, 88));
    auto* ok = new wxButton(this, wxID_OK, "OK", at(198, 7), ConvertDialogToPixels(wxSize(50, 14)));
    ok->SetDefault();
    const wxPoint picturePos = at(7, 105);
    const wxBitmap picture = programPicture();
    new wxStaticBitmap(this, wxID_ANY, picture, picturePos);

    const wxPoint margin = at(7, 7);
    int right = std::max(picturePos.x + picture.GetWidth(), ok->GetRect().GetRight());
    for (wxWindow* child : GetChildren())
        right = std::max(right, child->GetRect().GetRight());
    SetClientSize(right + margin.x, picturePos.y + picture.GetHeight() + margin.y);
    CentreOnParent();
}
