#pragma once
// Dialog layouts are given in dialog units, which follow the dialog's font;
// these helpers place controls in them.

#include <wx/button.h>
#include <wx/window.h>

class DialogUnits {
public:
    explicit DialogUnits(wxWindow* dialog) : dialog_(dialog) {}
    wxPoint at(int x, int y) const { return dialog_->ConvertDialogToPixels(wxPoint(x, y)); }
    wxSize size(int w, int h) const { return dialog_->ConvertDialogToPixels(wxSize(w, h)); }

    // The usual OK and Cancel pair, one above the other at (x, y), OK the
    // default button.
    static constexpr int kButtonWidth = 50;
    static constexpr int kButtonHeight = 14;
    static constexpr int kButtonGap = 4;
    void addOkCancelColumn(int x, int y) const
    {
        auto* ok = new wxButton(dialog_, wxID_OK, "OK", at(x, y), size(kButtonWidth, kButtonHeight));
        new wxButton(dialog_, wxID_CANCEL, "Cancel", at(x, y + kButtonHeight + kButtonGap),
                     size(kButtonWidth, kButtonHeight));
        ok->SetDefault();
    }

private:
    wxWindow* dialog_;
};
