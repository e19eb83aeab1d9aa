#pragma once
// "About Ringtide": icon, version, credits, two links and the picture.

#include <wx/dialog.h>

class CAboutDlg : public wxDialog {
public:
    static constexpr const char* kHomePage = "https://ringtide.example.org";
    static constexpr const char* kManualPage = "https://ringtide.example.org/manual";

    explicit CAboutDlg(wxWindow* parent);
};
