#include "app/CMainApp.h"

#include "app/CMainDlg.h"

#include <wx/filename.h>
#include <wx/image.h>

bool CMainApp::OnInit()
{
    wxInitAllImageHandlers();
    // The main window acts as the program's modal dialog: the program ends
    // when it closes, since it is the only top-level window left.
    auto* main = new CMainDlg(true);
    SetTopWindow(main);
    main->Show();
    // `ringtide file.wav` opens the file once the window is up.
    if (argc > 1) {
        const wxFileName file(argv[1]);
        wxFileName absolute(file);
        absolute.MakeAbsolute();
        const std::string path = absolute.GetFullPath().ToStdString(wxConvUTF8);
        main->CallAfter([main, path] { main->openFile(path); });
    }
    return true;
}
