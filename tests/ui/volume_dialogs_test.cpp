#include "processing/ui/CNormalizeDlg.h"
#include "processing/ui/CVolumeDlg.h"
#include "document/format.h"
#include "processing/volume.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <cstdlib>

namespace {

std::string label(const CLevelDlg& dlg)
{
    return dlg.valueLabel()->GetLabel().ToStdString();
}

} // namespace

TEST(NormalizeDialog, ReopensAtTheLastAcceptedLevel)
{
    // The window keeps the linear factor and reopens at 20 * log10 of it,
    // which for -6 dB is not exactly -6.
    const double remembered = gain_from_db(-6.0);
    CNormalizeDlg dlg(nullptr, db_from_gain(remembered));
    dlg.InitDialog();
    EXPECT_EQ(dlg.GetTitle(), "Normalize");
    EXPECT_EQ(dlg.slider()->GetMin(), 0);
    EXPECT_EQ(dlg.slider()->GetMax(), 180);
    EXPECT_EQ(dlg.slider()->GetPageSize(), 10);
    EXPECT_EQ(dlg.slider()->GetValue(), 60);
    EXPECT_EQ(label(dlg), "-6. dB");
    EXPECT_EQ(dlg.FindWindow(1053), dlg.slider());
    EXPECT_EQ(dlg.FindWindow(1078), dlg.valueLabel());
}

TEST(NormalizeDialog, LabelAndLevelFollowTheSlider)
{
    CNormalizeDlg dlg(nullptr, 0.0);
    dlg.InitDialog();
    EXPECT_EQ(label(dlg), "0. dB");
    uitest::moveSlider(dlg.slider(), 45);
    EXPECT_EQ(label(dlg), "-4.5 dB");
    EXPECT_DOUBLE_EQ(dlg.levelDb, -4.5);
    uitest::moveSlider(dlg.slider(), 180);
    EXPECT_EQ(label(dlg), "-18. dB");
    uitest::moveSlider(dlg.slider(), 0);
    EXPECT_EQ(label(dlg), "0. dB");
    EXPECT_EQ(dlg.levelDb, 0.0);
    EXPECT_EQ(gain_from_db(dlg.levelDb), 1.0);
}

TEST(VolumeDialog, PositiveLevelsSitAboveTheMiddle)
{
    CVolumeDlg dlg(nullptr, db_from_gain(gain_from_db(6.0)));
    dlg.InitDialog();
    EXPECT_EQ(dlg.GetTitle(), "Volume");
    EXPECT_EQ(dlg.slider()->GetMin(), -180);
    EXPECT_EQ(dlg.slider()->GetMax(), 180);
    // Rounded to the nearest step on the negative side too.
    EXPECT_EQ(dlg.slider()->GetValue(), -60);
    EXPECT_EQ(label(dlg), "6. dB");
    uitest::moveSlider(dlg.slider(), 123);
    EXPECT_EQ(label(dlg), "-12.3 dB");
    EXPECT_DOUBLE_EQ(dlg.levelDb, -12.3);
}

TEST(VolumeDialog, OutOfRangeLevelsAreClampedToTheSlider)
{
    CVolumeDlg dlg(nullptr, 40.0);
    dlg.InitDialog();
    EXPECT_EQ(dlg.slider()->GetValue(), -180);
    EXPECT_EQ(label(dlg), "18. dB");
}

TEST(VolumeDialog, ANativeSliderChangeReachesTheLabel)
{
    CVolumeDlg dlg(nullptr, 0.0);
    dlg.Show();
    dlg.InitDialog();
    ASSERT_TRUE(uitest::pumpUntil([&] { return dlg.IsShownOnScreen(); }));
    dlg.slider()->SetFocus();
    uitest::pumpFor(100);
    wxUIActionSimulator sim;
    sim.Char(WXK_PAGEDOWN);
    ASSERT_TRUE(uitest::pumpUntil([&] { return dlg.slider()->GetValue() != 0; }));
    const int position = dlg.slider()->GetValue();
    EXPECT_EQ(std::abs(position), 10); // one page: 1 dB
    EXPECT_EQ(label(dlg), formatSignificant(-position * 0.1, 4) + " dB");
    EXPECT_DOUBLE_EQ(dlg.levelDb, -position * 0.1);
    uitest::pumpFor(20);
}
