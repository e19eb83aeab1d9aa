#include "platform/ui/images.h"

#include "resources/resources.h"

#include <wx/dcmemory.h>

wxBitmapBundle svgBundle(const std::string& name, const wxSize& size)
{
    const EmbeddedResource res = findResource(name.c_str());
    if (!res.data)
        return wxBitmapBundle();
    return wxBitmapBundle::FromSVG(res.data, res.size, size);
}

wxIconBundle programIcons()
{
    wxIconBundle icons;
    for (int side : {16, 24, 32, 48, 64}) {
        const wxBitmapBundle b = svgBundle("icon.svg", wxSize(side, side));
        if (b.IsOk()) {
            wxIcon icon;
            icon.CopyFromBitmap(b.GetBitmap(wxSize(side, side)));
            icons.AddIcon(icon);
        }
    }
    return icons;
}

wxBitmap programPicture()
{
    const wxSize size(357, 198);
    const wxBitmapBundle b = svgBundle("splash.svg", size);
    wxBitmap picture = b.IsOk() ? b.GetBitmap(size) : wxBitmap(size);
    // The SVG renderer draws no text: the name goes on here.
    wxMemoryDC dc(picture);
    dc.SetTextForeground(wxColour(255, 255, 255));
    dc.SetFont(wxFont(wxFontInfo(26).Family(wxFONTFAMILY_SWISS).Bold().FaceName("DejaVu Sans")));
    dc.DrawText("Ringtide", 16, 10);
    dc.SetTextForeground(wxColour(127, 208, 255));
    dc.SetFont(wxFont(wxFontInfo(9).Family(wxFONTFAMILY_SWISS).FaceName("DejaVu Sans")));
    dc.DrawText("Loop points for sampled instruments", 18, 52);
    dc.SelectObject(wxNullBitmap);
    return picture;
}
