// Window tests: wx is started once without a main loop; each test creates the
// windows it needs and pumps events by hand (ui_test_support.h).

#include "ui_test_support.h"

#include "app/CMainDlg.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/dialog.h>

#include <cstring>

namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

// Any modal dialog that no test scripted fails the test and is answered with
// Cancel, so a test can never hang on a box.
class FailOnModal : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dialog) override
    {
        ADD_FAILURE() << "unexpected modal dialog: " << dialog->GetTitle().ToStdString();
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

void failOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond, const wxString& msg)
{
    ADD_FAILURE() << "wx assert " << cond.ToStdString() << " " << msg.ToStdString() << " in " << func.ToStdString()
                  << " at " << file.ToStdString() << ":" << line;
}

} // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
            return RUN_ALL_TESTS();

    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv)) {
        fprintf(stderr, "cannot start wxWidgets (no display?)\n");
        return 1;
    }
    wxTheApp->CallOnInit();
    wxSetAssertHandler(failOnAssert);
    FailOnModal hook;
    hook.Register();
    // No platform box, file dialog, browser or manual window ever opens.
    uitest::installDefaultPlatformHooks();
    // No sound card here: every main window plays silently on the null device.
    CMainDlg::playbackDeviceOptions() = {CMainDlg::PlaybackDeviceOptions::Output::NullRealTime, 1.0, false};

    const int result = RUN_ALL_TESTS();

    hook.Unregister();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
