#include "app/CMainApp.h"

#include <wx/frame.h>

bool CMainApp::OnInit()
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Ringtide");
    frame->Show();
    return true;
}
