#include "app/CMainApp.h"

#include "app/CMainDlg.h"

#include <wx/image.h>

bool CMainApp::OnInit()
{
    wxInitAllImageHandlers();
    // The main window acts as the program's modal dialog: the program ends
    // when it closes, since it is the only top-level window left.
    auto* main = new CMainDlg(true);
    SetTopWindow(main);
    main->Show();
    return true;
}
