// Clean low frequencies and Enhance/Smooth driven through the main window:
// the dB field's messages, the edits with their undo, and the refresh.

#include "main_window_fixture.h"

#include <wx/gauge.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

int peakOf(const std::vector<int16_t>& x)
{
    int p = 0;
    for (int16_t v : x)
        p = std::max(p, std::abs(static_cast<int>(v)));
    return p;
}

} // namespace

class FiltersWindowTest : public MainWindowTest {
protected:
    void openStereoTone()
    {
        open(writeWave("tone", 44100, 2));
        ASSERT_TRUE(dlg->doc.isLoaded());
        // A 20 Hz hum on the left, well below either channel's pitch.
        for (size_t i = 0; i < dlg->doc.samples[0].size(); ++i)
            dlg->doc.samples[0][i] = static_cast<int16_t>(dlg->doc.samples[0][i] + 4000 * std::sin(2 * M_PI * 20 * i / 44100.0));
        original[0] = dlg->doc.samples[0];
        original[1] = dlg->doc.samples[1];
    }
    void typeGain(const char* text)
    {
        static_cast<wxTextCtrl*>(dlg->control(ID_ENHANCE_EDIT))->ChangeValue(text);
    }
    bool progressHidden() const
    {
        auto* gauge = static_cast<wxGauge*>(dlg->control(ID_PROGRESS));
        return !gauge->IsShown() && gauge->GetValue() == 0;
    }
    std::vector<int16_t> original[2];
};

TEST_F(FiltersWindowTest, EnhanceGainEntryMessagesLeaveTheSoundAndHistoryAlone)
{
    openStereoTone();
    struct Case {
        const char* text;
        const char* message; // nullptr: silently nothing
    };
    for (const Case& c : {Case{"19", "Please, enter a number between -18 and 18."},
                          Case{"-19", "Please, enter a number between -18 and 18."},
                          Case{"100", "Please, enter a number between -18 and 18."},
                          Case{"", "Please, enter a number!"}, Case{"5a", "Please, enter a number!"},
                          Case{"+5", "Please, enter a number!"}, Case{"1-", "Please, enter a number!"},
                          Case{"0", nullptr}, Case{"-", nullptr}}) {
        typeGain(c.text);
        uitest::ScriptedMessages boxes(c.message ? std::initializer_list<MessageAnswer>{MessageAnswer::Ok}
                                                 : std::initializer_list<MessageAnswer>{});
        dlg->onEnhanceSmooth();
        if (c.message) {
            ASSERT_EQ(boxes.asked.size(), 1u) << '"' << c.text << '"';
            EXPECT_EQ(boxes.asked[0].text, c.message);
        }
        EXPECT_EQ(dlg->doc.samples[0], original[0]) << '"' << c.text << '"';
        EXPECT_FALSE(dlg->undoAvailable) << '"' << c.text << '"';
        EXPECT_TRUE(progressHidden());
    }
}

TEST_F(FiltersWindowTest, CleanAndEnhanceEditWithUndoAndRefresh)
{
    openStereoTone();
    ASSERT_GT(dlg->doc.pitchHz, 32.0);
    ASSERT_TRUE(menuEnabled(ID_HIPASS));
    const int beeps = shell_hook::beepCount();

    dlg->onCleanLowFrequencies();
    EXPECT_NE(dlg->doc.samples[0], original[0]);
    for (int c = 0; c < 2; ++c)
        EXPECT_EQ(peakOf(dlg->doc.samples[c]), peakOf(original[c])) << "channel " << c;
    // The hum is gone: the left channel's mean over whole hum periods is
    // what the 220 Hz tone leaves, near 0.
    double hum = 0;
    for (int i = 4410; i < 4410 + 22050; ++i)
        hum += dlg->doc.samples[0][static_cast<size_t>(i)] * std::sin(2 * M_PI * 20 * i / 44100.0);
    EXPECT_LT(std::abs(hum / 22050 * 2), 4.0);
    EXPECT_TRUE(dlg->undoAvailable);
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_TRUE(menuEnabled(ID_SAVE));
    EXPECT_EQ(shell_hook::beepCount(), beeps + 1);
    EXPECT_TRUE(progressHidden());
    EXPECT_EQ(static_cast<wxGauge*>(dlg->control(ID_PROGRESS))->GetRange(), 200);

    dlg->onUndo();
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
    EXPECT_EQ(dlg->doc.samples[1], original[1]);

    typeGain("-12");
    dlg->onEnhanceSmooth();
    EXPECT_NE(dlg->doc.samples[0], original[0]);
    EXPECT_NE(dlg->doc.samples[1], original[1]);
    EXPECT_TRUE(dlg->undoAvailable);
    EXPECT_EQ(shell_hook::beepCount(), beeps + 2);
    dlg->onUndo();
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
}
