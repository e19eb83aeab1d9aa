#include "app/CMainDlg.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>
#include <wx/weakref.h>

#include <chrono>
#include <wx/uiaction.h>

TEST(SplashWindow, AKeyPressOnlyClosesIt)
{
    wxWeakRef<CMainDlg> dlg = new CMainDlg(true);
    dlg->Show();
    ASSERT_TRUE(dlg->splashWindow());
    uitest::pumpFor(100);
    ASSERT_TRUE(dlg->splashWindow());
    // Escape would otherwise ask "Do you realy want to quit?" (an unscripted
    // box fails the test).
    // Without a window manager the key goes to the window under the pointer:
    // the main window, while the splash still shows.
    wxUIActionSimulator sim;
    sim.MouseMove(dlg->control(ID_EXIT)->GetScreenRect().GetPosition() + wxPoint(5, 5));
    uitest::pumpFor(50);
    sim.Char(WXK_ESCAPE);
    EXPECT_TRUE(uitest::pumpUntil([&] { return !dlg->splashWindow(); }, 1000));
    uitest::pumpFor(50);
    EXPECT_TRUE(dlg);
    // With the splash gone the same key reaches the window again.
    {
        uitest::ScriptedMessages boxes({MessageAnswer::No});
        dlg->Raise();
        dlg->control(ID_EXIT)->SetFocus();
        uitest::pumpFor(50);
        sim.Char(WXK_ESCAPE);
        EXPECT_TRUE(uitest::pumpUntil([&] { return boxes.asked.size() == 1; }, 1000));
    }
    dlg->Destroy();
    uitest::pumpUntil([&] { return !dlg; });
}

TEST(SplashWindow, ClosesItselfAfterItsTime)
{
    // Its 1.5 s count from its creation: it cannot go sooner, however busy
    // the machine; how much later it goes depends on the machine's load.
    const auto created = std::chrono::steady_clock::now();
    wxWeakRef<CMainDlg> dlg = new CMainDlg(true);
    dlg->Show();
    ASSERT_TRUE(dlg->splashWindow());
    EXPECT_TRUE(uitest::pumpUntil([&] { return !dlg->splashWindow(); }, 20000));
    const auto shownMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - created).count();
    EXPECT_GE(shownMs, 1500);
    dlg->Destroy();
    uitest::pumpUntil([&] { return !dlg; });
}

TEST(SplashWindow, AMousePressOrKeyOnThePictureOnlyClosesIt)
{
    for (bool useKey : {false, true}) {
        wxWeakRef<CMainDlg> dlg = new CMainDlg(true);
        dlg->Show();
        uitest::pumpFor(100);
        ASSERT_TRUE(dlg->splashWindow());
        wxUIActionSimulator sim;
        sim.MouseMove(dlg->splashWindow()->GetScreenRect().GetPosition() + wxPoint(40, 40));
        uitest::pumpFor(50);
        if (useKey)
            sim.Char(WXK_ESCAPE);
        else
            sim.MouseClick();
        EXPECT_TRUE(uitest::pumpUntil([&] { return !dlg->splashWindow(); }, 1000)) << useKey;
        uitest::pumpFor(50);
        EXPECT_TRUE(dlg);
        dlg->Destroy();
        uitest::pumpUntil([&] { return !dlg; });
    }
}
