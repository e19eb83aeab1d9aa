#pragma once
#include <wx/app.h>

class CMainApp : public wxApp {
public:
    bool OnInit() override;
};
wxDECLARE_APP(CMainApp);
