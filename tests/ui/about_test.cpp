#include "app/CAboutDlg.h"
#include "app/CStaticLink.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>
#include <wx/log.h>
#include <wx/utils.h>

namespace {

CStaticLink* link(wxDialog& dlg, int id)
{
    return dynamic_cast<CStaticLink*>(dlg.FindWindow(id));
}

} // namespace

TEST(AboutBox, ShowsVersionAndTwoLinks)
{
    CAboutDlg about(nullptr);
    EXPECT_EQ(about.GetTitle(), "About Ringtide");
    EXPECT_EQ(about.GetId(), 100);
    bool version = false;
    for (wxWindow* w : about.GetChildren())
        version = version || w->GetLabel() == "Ringtide Version 1.01";
    EXPECT_TRUE(version);
    ASSERT_TRUE(link(about, 1160));
    ASSERT_TRUE(link(about, 1161));
    EXPECT_TRUE(about.FindWindow(wxID_OK));
    EXPECT_TRUE(link(about, 1161)->GetFont().GetUnderlined());
    EXPECT_EQ(link(about, 1161)->GetForegroundColour(), wxColour(0, 0, 255));
}

TEST(AboutBox, ALinkThatCannotBeOpenedBeepsAndStaysBlue)
{
    CAboutDlg about(nullptr);
    CStaticLink* home = link(about, 1161);
    uitest::ScriptedLinks browser(false);
    const int beeps = shell_hook::beepCount();
    home->click();
    EXPECT_EQ(shell_hook::beepCount(), beeps + 1);
    EXPECT_FALSE(home->visited());
    EXPECT_EQ(home->GetForegroundColour(), wxColour(0, 0, 255));
    EXPECT_EQ(browser.opened, std::vector<std::string>{CAboutDlg::kHomePage});
}

TEST(AboutBox, AnOpenedLinkTurnsPurpleAndOpensAgain)
{
    CAboutDlg about(nullptr);
    CStaticLink* manual = link(about, 1160);
    uitest::ScriptedLinks browser(true);
    const int beeps = shell_hook::beepCount();
    manual->click();
    manual->click();
    EXPECT_TRUE(manual->visited());
    EXPECT_EQ(manual->GetForegroundColour(), wxColour(128, 0, 128));
    EXPECT_EQ(browser.opened.size(), 2u);
    EXPECT_EQ(browser.opened[1], CAboutDlg::kManualPage);
    EXPECT_EQ(shell_hook::beepCount(), beeps);
    // The other link keeps its own state.
    EXPECT_FALSE(link(about, 1161)->visited());
}

namespace {

// Counts what reaches the log, where wx would otherwise show its own box.
class CountingLog : public wxLog {
public:
    int messages = 0;

protected:
    void DoLogRecord(wxLogLevel, const wxString&, const wxLogRecordInfo&) override { ++messages; }
};

} // namespace

// No browser at all (nothing on the search path): the real opening fails,
// the link beeps, and wx's "Failed to open URL" reaches no log box.
TEST(AboutBox, WithoutABrowserOnlyTheBeepIsHeard)
{
    CAboutDlg about(nullptr);
    shell_hook::setLinkResponder(nullptr);
    wxString path, home;
    wxGetEnv("PATH", &path);
    wxGetEnv("BROWSER", &home);
    wxSetEnv("PATH", "/nonexistent");
    wxUnsetEnv("BROWSER");
    auto* counting = new CountingLog;
    wxLog* previous = wxLog::SetActiveTarget(counting);
    const int beeps = shell_hook::beepCount();
    link(about, 1161)->click();
    wxLog::FlushActive();
    const int logged = counting->messages;
    wxLog::SetActiveTarget(previous);
    delete counting;
    wxSetEnv("PATH", path);
    if (!home.empty())
        wxSetEnv("BROWSER", home);
    uitest::installDefaultPlatformHooks();
    EXPECT_EQ(shell_hook::beepCount(), beeps + 1);
    EXPECT_FALSE(link(about, 1161)->visited());
    EXPECT_EQ(logged, 0);
}
