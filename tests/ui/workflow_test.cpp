// Whole uses of the window, command after command, as a musician would go:
// open, select, search, save, reopen, listen; and a search taken back.

#include "main_window_fixture.h"

#include "loop/solution_table.h"
#include "playback/PlaybackEngine.h"
#include "views/ui/WaveformView.h"

#include <wx/choice.h>

namespace {

std::vector<std::string> listEntries(CMainDlg& dlg)
{
    auto* list = static_cast<wxChoice*>(dlg.control(ID_SOLUTIONS));
    std::vector<std::string> out;
    for (unsigned i = 0; i < list->GetCount(); ++i)
        out.push_back(list->GetString(i).ToStdString());
    return out;
}

class WorkflowTest : public MainWindowTest {
protected:
    // Drags a selection and runs Search to its end.
    void searchIn(int32_t start, int32_t end)
    {
        dlg->waveform()->setSelectionAnchor(start);
        dlg->waveform()->setSelectionEnd(end);
        ASSERT_TRUE(dlg->isMenuItemEnabled(ID_SEARCH));
        dlg->onSearch();
        ASSERT_TRUE(uitest::pumpUntil([this] { return !dlg->searching; }, 30000));
    }
};

} // namespace

TEST_F(WorkflowTest, ALoopFoundBySearchIsSavedReopenedAndPlayed)
{
    const std::string path = writeWave("reed", 44100);
    open(path);
    ASSERT_TRUE(dlg->doc.isLoaded());
    ASSERT_GT(dlg->doc.pitchHz, 200.0); // the 220 Hz test tone

    searchIn(4000, 30000);
    const int32_t s = dlg->doc.loops.loopStart[0];
    const int32_t e = dlg->doc.loops.loopEnd[0];
    ASSERT_GT(e, s);
    EXPECT_TRUE(dlg->isMenuItemEnabled(ID_SAVE));

    // Save with the start options: the sound is cut after the loop and read
    // back, so the window shows what the file holds. Replacing the opened
    // file with a cut version is asked about first.
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Yes});
        dlg->onSave();
        EXPECT_EQ(boxes.asked.size(), 1u);
    }
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_EQ(dlg->doc.sampleCount, e + 1);
    EXPECT_EQ(dlg->doc.loops.loopStart[0], s);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], e);
    EXPECT_EQ(listEntries(*dlg), (std::vector<std::string>{"1st   solution", "No loop"}));

    // Reopen from disk in a fresh load: the loop is in the file.
    open(path);
    EXPECT_EQ(dlg->doc.sampleCount, e + 1);
    EXPECT_EQ(dlg->doc.loops.loopStart[0], s);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], e);
    EXPECT_TRUE(dlg->doc.loopForward);

    // Play sample: the sound, then its loop for as long as it is held.
    ASSERT_TRUE(dlg->control(ID_PLAY_CL)->IsEnabled());
    dlg->onPlaySample();
    EXPECT_EQ(dlg->playingButton(), ID_PLAY_CL);
    EXPECT_EQ(dlg->playbackEngine()->playMode.load(), PlaySampleLoopForward);
    uitest::pumpFor(100);
    EXPECT_EQ(dlg->playingButton(), ID_PLAY_CL); // a loop never ends by itself
    dlg->onPlaySample();                         // the second press stops
    EXPECT_EQ(dlg->playingButton(), 0);
}

TEST_F(WorkflowTest, UndoOfASearchBringsBackTheStoredLoop)
{
    open(writeWave("viola", 44100, 1, wavbytes::SamplerLoop{0, 10000, 14409}));
    ASSERT_EQ(listEntries(*dlg), (std::vector<std::string>{"1st   solution", "No loop"}));

    searchIn(4000, 30000);
    const std::vector<std::string> found = listEntries(*dlg);
    ASSERT_GE(found.size(), 2u);
    ASSERT_TRUE(dlg->undoAvailable);

    dlg->onUndo();
    EXPECT_EQ(dlg->doc.loops.loopStart[0], 9999);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], 14409);
    EXPECT_EQ(listEntries(*dlg), (std::vector<std::string>{"1st   solution", "No loop"}));
    EXPECT_EQ(static_cast<wxChoice*>(dlg->control(ID_SOLUTIONS))->GetSelection(), 0);

    dlg->onRedo();
    EXPECT_EQ(listEntries(*dlg), found);
}

TEST_F(WorkflowTest, UndoOfASearchOnASoundWithoutLoopEmptiesTheList)
{
    open(writeWave("cello", 44100));
    searchIn(4000, 30000);
    ASSERT_GE(listEntries(*dlg).size(), 2u);

    dlg->onUndo();
    EXPECT_TRUE(listEntries(*dlg).empty());
    EXPECT_FALSE(dlg->control(ID_SOLUTIONS)->IsEnabled());
    EXPECT_FALSE(dlg->control(ID_PLAY_LOOP)->IsEnabled());
}
