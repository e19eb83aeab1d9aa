#include "app/CAboutDlg.h"
#include "app/CStaticLink.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>

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
