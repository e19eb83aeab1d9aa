// Pictures of the main window for review: right after start and with a sound
// loaded, written as PNG to RINGTIDE_SCREENSHOT_DIR. The window is captured by
// its own X window (xwd -name), which needs no window manager.

#include "main_window_fixture.h"

#include "app/CAboutDlg.h"

#include <wx/filename.h>

#include <cstdlib>

namespace {

bool haveTools()
{
    return std::system("command -v xwd >/dev/null 2>&1 && command -v xwdtopnm >/dev/null 2>&1 && "
                       "command -v pnmtopng >/dev/null 2>&1") == 0;
}

// Captures the X window named `name` into RINGTIDE_SCREENSHOT_DIR/file.
bool captureNamed(const std::string& name, const std::string& file)
{
    wxFileName::Mkdir(RINGTIDE_SCREENSHOT_DIR, 0755, wxPATH_MKDIR_FULL);
    const std::string path = std::string(RINGTIDE_SCREENSHOT_DIR) + "/" + file;
    const std::string cmd =
        "xwd -silent -name '" + name + "' | xwdtopnm 2>/dev/null | pnmtopng > '" + path + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 && wxFileName::GetSize(path) > 1000;
}

// The title is made unique for the capture so that xwd finds this window.
bool capture(CMainDlg& dlg, const std::string& file)
{
    const wxString title = dlg.GetTitle();
    dlg.SetTitle("ringtide-screenshot-target");
    dlg.Raise();
    dlg.Refresh();
    uitest::pumpFor(400);
    const bool ok = captureNamed("ringtide-screenshot-target", file);
    dlg.SetTitle(title);
    return ok;
}

} // namespace

TEST_F(MainWindowTest, WritesScreenshotsAfterStartAndAfterLoading)
{
    if (!haveTools())
        GTEST_SKIP() << "xwd, xwdtopnm or pnmtopng missing";
    EXPECT_TRUE(capture(*dlg, "main-start.png"));
    open(writeWave("grand-piano-C4", 60000, 2, wavbytes::SamplerLoop{0, 30000, 44699}));
    EXPECT_TRUE(capture(*dlg, "main-loaded.png"));
    dlg->onShowProfiles();
    dlg->waitForProfiles();
    EXPECT_TRUE(capture(*dlg, "main-profiles.png"));
}

TEST(AboutBoxPicture, WritesAScreenshot)
{
    if (!haveTools())
        GTEST_SKIP() << "xwd, xwdtopnm or pnmtopng missing";
    auto* about = new CAboutDlg(nullptr);
    about->Show();
    uitest::pumpFor(400);
    EXPECT_TRUE(captureNamed("About Ringtide", "about.png"));
    about->Destroy();
    uitest::pumpFor(20);
}
