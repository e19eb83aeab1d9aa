// The loop side of the main window: the Search command and its Stop, the end
// of a run, the choice among solutions with the crossfade slider's limits,
// the loop parameters and the two dialogs of the loop engine.

#include "main_window_fixture.h"

#include "platform/ui/CUpDownCtrl.h"
#include "loop/ui/CCrossfadeOptionsDlg.h"
#include "loop/ui/CFineSearchDlg.h"
#include "loop/ui/IntegerField.h"
#include "views/ui/CCrossfadePicture.h"
#include "views/ui/WaveformView.h"

#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include <functional>

namespace {

const char* const kLabels[] = {"1st   solution", "2nd  solution", "3rd   solution", "4th   solution",
                               "5th   solution", "6th   solution", "7th   solution", "8th   solution",
                               "9th   solution", "10th solution"};

wxChoice* choice(const CMainDlg& dlg, int id) { return static_cast<wxChoice*>(dlg.control(id)); }
wxSlider* slider(const CMainDlg& dlg) { return static_cast<wxSlider*>(dlg.control(ID_CROSSFADE_SLIDER)); }
wxTextCtrl* edit(const CMainDlg& dlg, int id) { return static_cast<wxTextCtrl*>(dlg.control(id)); }

std::vector<std::string> entries(const CMainDlg& dlg)
{
    std::vector<std::string> out;
    for (const wxString& s : choice(dlg, ID_SOLUTIONS)->GetStrings())
        out.push_back(s.ToStdString());
    return out;
}

// Durations as the read-outs show them, worked out here: trunc(n * 1000 / rate + 0.5).
std::string readout(int64_t samples, int64_t rate)
{
    return std::to_string((samples * 1000 + rate / 2) / rate) + " ms";
}

class LoopWindowTest : public MainWindowTest {
protected:
    static constexpr int kRate = 44100;

    // A decaying 220 Hz tone: period 200 samples.
    void loadTone(int frames, uint32_t rate = kRate)
    {
        open(writeWave("tone", frames, 1, std::nullopt, rate));
        ASSERT_TRUE(dlg->doc.isLoaded());
        // The pitch of the test tone is known; the search only needs it positive.
        if (!(dlg->doc.pitchHz > 0)) {
            dlg->doc.channelPitch[0] = 220.0;
            dlg->doc.updatePitchHz();
        }
        if (!dlg->waveform()->sound())
            dlg->waveform()->rebuild(&dlg->doc);
    }

    void select(int32_t start, int32_t end)
    {
        dlg->waveform()->setSelectionAnchor(start);
        dlg->waveform()->setSelectionEnd(end);
    }

    bool searchRunsToItsEnd()
    {
        return uitest::pumpUntil([this] { return !dlg->searching; }, 30000);
    }

    // Puts `loops` in the table and the list as a search would leave them.
    void setSolutions(std::initializer_list<std::pair<int32_t, int32_t>> loops)
    {
        dlg->doc.loops.clear();
        auto* list = choice(*dlg, ID_SOLUTIONS);
        list->Clear();
        int i = 0;
        for (auto [s, e] : loops) {
            dlg->doc.loops.loopStart[i] = s;
            dlg->doc.loops.loopEnd[i] = e;
            list->Append(kLabels[i++]);
        }
        list->Append("No loop");
        list->Enable();
    }

    void chooseSolution(int index)
    {
        choice(*dlg, ID_SOLUTIONS)->SetSelection(index);
        dlg->onSolutionSelected();
    }

    void setSliderMs(int ms)
    {
        slider(*dlg)->SetValue(ms);
        dlg->onCrossfadeSliderChanged();
    }

    bool searchCommandEnabled() const { return menuEnabled(ID_SEARCH) && enabled(ID_SEARCH); }
};

} // namespace

TEST_F(LoopWindowTest, SearchListsSolutionsAndShowsTheFirst)
{
    loadTone(kRate);
    select(5000, 40000);
    ASSERT_TRUE(searchCommandEnabled());
    dlg->doc.isSaved = true;
    const int beeps = shell_hook::beepCount();

    dlg->onSearch();
    EXPECT_TRUE(dlg->searching);
    EXPECT_EQ(dlg->control(ID_SEARCH)->GetToolTipText(), "Stop searching");
    EXPECT_TRUE(dlg->toolbarButton(ID_SEARCH)->isPressed());
    EXPECT_TRUE(enabled(ID_SEARCH)); // kept as the Stop
    EXPECT_FALSE(menuEnabled(ID_LOAD));
    ASSERT_TRUE(searchRunsToItsEnd());

    const std::vector<std::string> list = entries(*dlg);
    ASSERT_GE(list.size(), 2u);
    ASSERT_LE(list.size(), 11u);
    for (size_t i = 0; i + 1 < list.size(); ++i)
        EXPECT_EQ(list[i], kLabels[i]);
    EXPECT_EQ(list.back(), "No loop");
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetSelection(), 0);
    EXPECT_TRUE(enabled(ID_SOLUTIONS));
    EXPECT_EQ(dlg->doc.loops.currentSolution, 0);

    // Every listed slot holds a loop between rising crossings inside the
    // selection, at least one period (200 samples) long; the slot after them
    // is empty.
    const SolutionTable& t = dlg->doc.loops;
    const std::vector<int16_t>& x = dlg->doc.samples[0];
    for (size_t i = 0; i + 1 < list.size(); ++i) {
        SCOPED_TRACE(i);
        const int32_t s = t.loopStart[i], e = t.loopEnd[i];
        EXPECT_GE(s, 5000);
        EXPECT_LT(e, 40000);
        EXPECT_GE(e - s, 200);
        EXPECT_TRUE(x[s] < 0 && x[s + 1] >= 0);
        EXPECT_TRUE(x[e] < 0 && x[e + 1] >= 0);
    }
    EXPECT_LE(t.loopEnd[list.size() - 1], 0);

    // The first loop is shown, read out and bounds the slider.
    const int32_t s = t.loopStart[0], e = t.loopEnd[0];
    EXPECT_EQ(dlg->waveform()->loopStart(), s);
    EXPECT_EQ(dlg->waveform()->loopEnd(), e);
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), readout(s, kRate));
    EXPECT_EQ(dlg->text(ID_LOOP_LENGTH_TEXT), readout(e - s, kRate));
    const int room = static_cast<int>(std::min<int64_t>({int64_t(s - 1) * 1000 / kRate, int64_t(e - s) * 1000 / kRate, 10000}));
    EXPECT_EQ(dlg->crossfadeMaximum(), room);
    EXPECT_LE(slider(*dlg)->GetValue(), room);
    for (int id : {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER})
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_TRUE(menuEnabled(ID_SAVE_OPTIONS));

    // The end of the run.
    EXPECT_FALSE(dlg->control(ID_PROGRESS)->IsShown());
    EXPECT_EQ(dlg->control(ID_SEARCH)->GetToolTipText(), "Search loop");
    EXPECT_FALSE(dlg->toolbarButton(ID_SEARCH)->isPressed());
    EXPECT_FALSE(searchCommandEnabled());
    EXPECT_FALSE(dlg->searchEnabled);
    EXPECT_TRUE(menuEnabled(ID_LOAD));
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_TRUE(menuEnabled(ID_SAVE));
    EXPECT_EQ(shell_hook::beepCount(), beeps + 1);
}

TEST_F(LoopWindowTest, CompletedSearchWaitsForAParameterChange)
{
    loadTone(kRate);
    select(5000, 40000);
    dlg->onSearch();
    ASSERT_TRUE(searchRunsToItsEnd());
    ASSERT_FALSE(searchCommandEnabled());

    // The loop type alone re-enables it, and the type reaches the document.
    choice(*dlg, ID_LOOP_TYPE)->SetSelection(1);
    dlg->onLoopTypeChanged();
    EXPECT_TRUE(searchCommandEnabled());
    EXPECT_FALSE(dlg->doc.loopForward);
    EXPECT_TRUE(menuEnabled(ID_SAVE));

    // An alternate search, then a new maximum length typed in the edit.
    dlg->onSearch();
    ASSERT_TRUE(searchRunsToItsEnd());
    EXPECT_GE(entries(*dlg).size(), 2u);
    EXPECT_FALSE(searchCommandEnabled());
    edit(*dlg, ID_MAX_LOOP_EDIT)->SetValue("90");
    EXPECT_TRUE(searchCommandEnabled());

    // The spin of the minimum does it too.
    dlg->onSearch();
    ASSERT_TRUE(searchRunsToItsEnd());
    EXPECT_EQ(dlg->maxLoopLength, 90);
    EXPECT_FALSE(searchCommandEnabled());
    dlg->upDown(ID_MIN_LOOP_SPIN)->step(-1);
    EXPECT_TRUE(searchCommandEnabled());

    // Without a selection nothing is enabled.
    dlg->onSearch();
    ASSERT_TRUE(searchRunsToItsEnd());
    select(100, 100);
    edit(*dlg, ID_MAX_LOOP_EDIT)->SetValue("80");
    EXPECT_FALSE(searchCommandEnabled());
}

TEST_F(LoopWindowTest, StopAtOnceRestoresThePreviousList)
{
    loadTone(3 * kRate);
    select(5000, 40000);
    dlg->onSearch();
    ASSERT_TRUE(searchRunsToItsEnd());
    const std::vector<std::string> before = entries(*dlg);
    const SolutionTable table = dlg->doc.loops;
    ASSERT_GE(before.size(), 2u);

    // A long search, stopped at once.
    dlg->doc.isSaved = true;
    const int beeps = shell_hook::beepCount();
    select(1000, 3 * kRate - 1000);
    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("10");
    dlg->onSearch();
    ASSERT_TRUE(dlg->searching);
    dlg->onSearch();
    EXPECT_TRUE(dlg->searchStopRequested());
    EXPECT_FALSE(dlg->toolbarButton(ID_SEARCH)->isPressed());
    EXPECT_FALSE(searchCommandEnabled());
    ASSERT_TRUE(searchRunsToItsEnd());

    EXPECT_EQ(entries(*dlg), before);
    for (int i = 0; i < SolutionTable::kSlots; ++i) {
        EXPECT_EQ(dlg->doc.loops.loopStart[i], table.loopStart[i]) << i;
        EXPECT_EQ(dlg->doc.loops.loopEnd[i], table.loopEnd[i]) << i;
    }
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetSelection(), 0);
    EXPECT_EQ(dlg->waveform()->loopStart(), table.loopStart[0]);
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), readout(table.loopStart[0], kRate));
    // A stopped run leaves the document's saved state alone.
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_FALSE(menuEnabled(ID_SAVE));
    EXPECT_FALSE(dlg->searchStopRequested());
    EXPECT_FALSE(searchCommandEnabled());
    EXPECT_EQ(shell_hook::beepCount(), beeps + 1);
}

TEST_F(LoopWindowTest, StopWithNothingBeforeLeavesOnlyNoLoop)
{
    loadTone(3 * kRate);
    ASSERT_TRUE(entries(*dlg).empty());
    select(1000, 3 * kRate - 1000);
    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("10");
    dlg->onSearch();
    dlg->stopSearchAndWait();
    EXPECT_FALSE(dlg->searching);
    EXPECT_EQ(entries(*dlg), std::vector<std::string>{"No loop"});
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetSelection(), 0);
    EXPECT_FALSE(enabled(ID_PLAY_LOOP));
    EXPECT_EQ(dlg->waveform()->loopEnd(), -1);
    // The run's own report of its end comes later and changes nothing.
    uitest::pumpFor(50);
    EXPECT_EQ(entries(*dlg), std::vector<std::string>{"No loop"});
}

TEST_F(LoopWindowTest, RunOverAnotherSoundKeepsTheNewSoundsLoops)
{
    loadTone(2 * kRate);
    select(1000, 2 * kRate - 1000);
    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("10");
    dlg->doc.isSaved = true;
    dlg->onSearch();
    ASSERT_TRUE(dlg->searching);
    // Another sound comes in while the worker runs (as a dropped file would).
    dlg->doc.samples[0][500] = static_cast<int16_t>(dlg->doc.samples[0][500] + 1);
    ASSERT_TRUE(searchRunsToItsEnd());
    for (int i = 0; i < SolutionTable::kSlots; ++i)
        EXPECT_EQ(dlg->doc.loops.loopEnd[i], -1) << i;
    EXPECT_EQ(entries(*dlg), std::vector<std::string>{"No loop"});
    EXPECT_TRUE(dlg->doc.isSaved);
}

TEST_F(LoopWindowTest, NoLoopEmptiesTheReadOutsAndDisablesTheLoopCommands)
{
    loadTone(kRate);
    setSolutions({{10000, 30000}, {12000, 20000}});
    chooseSolution(1);
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), readout(12000, kRate));
    EXPECT_EQ(dlg->waveform()->loopStart(), 12000);

    chooseSolution(2);
    EXPECT_EQ(dlg->doc.loops.currentSolution, 2);
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), "");
    EXPECT_EQ(dlg->text(ID_LOOP_LENGTH_TEXT), "");
    for (int id : {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_FALSE(menuEnabled(ID_SAVE_OPTIONS));
    EXPECT_FALSE(menuEnabled(ID_BPM_SET));
    EXPECT_EQ(dlg->waveform()->loopStart(), -1);
    EXPECT_EQ(dlg->waveform()->loopEnd(), -1);
    EXPECT_TRUE(menuEnabled(ID_SAVE));

    chooseSolution(0);
    for (int id : {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER})
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_TRUE(menuEnabled(ID_SAVE_OPTIONS));
    EXPECT_EQ(dlg->text(ID_LOOP_LENGTH_TEXT), readout(20000, kRate));
}

TEST_F(LoopWindowTest, SliderPulledBackForLessRoomAndKeptForMore)
{
    loadTone(3 * kRate);
    // Slot 0: 44100 samples before and inside the loop (999 and 1000 ms of
    // room); slot 1: 4409 and 4410 samples (99 and 100 ms).
    setSolutions({{44100, 88200}, {4410, 8820}});
    chooseSolution(0);
    EXPECT_EQ(dlg->crossfadeMaximum(), 999);
    setSliderMs(500);
    EXPECT_EQ(dlg->crossfadeLength, 22050);
    EXPECT_EQ(dlg->text(ID_CROSSFADE_VALUE), "500 ms");
    EXPECT_EQ(dlg->waveform()->crossfadeLength(), 22050);

    chooseSolution(1);
    EXPECT_EQ(dlg->crossfadeMaximum(), 99);
    EXPECT_EQ(slider(*dlg)->GetValue(), 99);
    EXPECT_EQ(dlg->crossfadeLength, 4365); // trunc(99 * 0.001 * 44100) = trunc(4365.9)
    EXPECT_EQ(dlg->text(ID_CROSSFADE_VALUE), "99 ms");

    chooseSolution(0);
    EXPECT_EQ(dlg->crossfadeMaximum(), 999);
    EXPECT_EQ(slider(*dlg)->GetValue(), 99);
    EXPECT_EQ(dlg->crossfadeLength, 4365);

    // The slider cannot be pushed past the room.
    setSliderMs(2000);
    EXPECT_EQ(slider(*dlg)->GetValue(), 999);
    EXPECT_EQ(dlg->text(ID_CROSSFADE_VALUE), "999 ms");

    // An alternate loop also needs room after its end: 132300 - 88200 samples
    // is 1000 ms, which does not limit it here; a loop ending 2205 samples
    // (50 ms) before the end does.
    choice(*dlg, ID_LOOP_TYPE)->SetSelection(1);
    dlg->onLoopTypeChanged();
    setSolutions({{44100, 88200}, {88200, 3 * kRate - 2205}});
    chooseSolution(0);
    EXPECT_EQ(dlg->crossfadeMaximum(), 999);
    chooseSolution(1);
    EXPECT_EQ(dlg->crossfadeMaximum(), 50);
    EXPECT_EQ(slider(*dlg)->GetValue(), 50);
    EXPECT_FALSE(dlg->waveform()->loopForward());
    // Back to forward: the limit no longer counts the end (1999 ms before
    // the loop, 950 ms inside it).
    choice(*dlg, ID_LOOP_TYPE)->SetSelection(0);
    dlg->onLoopTypeChanged();
    EXPECT_EQ(dlg->crossfadeMaximum(), 950);
    EXPECT_EQ(slider(*dlg)->GetValue(), 50);
}

TEST_F(LoopWindowTest, LongLoopLimitsTheSliderToTenSeconds)
{
    // 36 s at 8000 Hz; the loop starts 20 s in and lasts 15 s.
    constexpr int rate = 8000;
    loadTone(36 * rate, rate);
    setSolutions({{20 * rate, 35 * rate}, {8, 4000}});
    chooseSolution(0);
    EXPECT_EQ(dlg->crossfadeMaximum(), 10000);
    setSliderMs(10000);
    EXPECT_EQ(dlg->crossfadeLength, 80000);
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), "20000 ms");
    EXPECT_EQ(dlg->text(ID_LOOP_LENGTH_TEXT), "15000 ms");

    // A loop starting at sample 8 has no millisecond of room before it.
    chooseSolution(1);
    EXPECT_EQ(dlg->crossfadeMaximum(), 0);
    EXPECT_EQ(slider(*dlg)->GetValue(), 0);
    EXPECT_EQ(dlg->crossfadeLength, 0);
}

TEST_F(LoopWindowTest, RefusedSearchesChangeNothing)
{
    loadTone(kRate);
    auto refused = [this](const std::string& expected) {
        uitest::ScriptedMessages boxes({MessageAnswer::Ok});
        const int beeps = shell_hook::beepCount();
        dlg->onSearch();
        EXPECT_FALSE(dlg->searching);
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].text, expected);
        EXPECT_EQ(boxes.asked[0].icon, MessageIcon::Warning);
        EXPECT_TRUE(entries(*dlg).empty());
        EXPECT_EQ(shell_hook::beepCount(), beeps);
    };

    select(3000, 3000);
    refused("There must be a selected region!");

    select(3000, 30000);
    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("60");
    edit(*dlg, ID_MAX_LOOP_EDIT)->SetValue("40");
    refused("Contradictory parameters!");

    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("abc");
    refused("Please enter an integer.");
    EXPECT_EQ(dlg->minLoopLength, 60);
    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("101");
    refused("Please enter an integer between 0 and 100.");
    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("20");
    edit(*dlg, ID_MAX_LOOP_EDIT)->SetValue("-1");
    refused("Please enter an integer between 0 and 100.");
    EXPECT_EQ(dlg->minLoopLength, 60); // nothing taken from a refused pair
    EXPECT_EQ(dlg->maxLoopLength, 40);

    edit(*dlg, ID_MAX_LOOP_EDIT)->SetValue(" 90 ");
    dlg->doc.channelPitch[0] = dlg->doc.channelPitch[1] = 0.0;
    dlg->doc.pitchHz = 0.0;
    refused("The pitch of the sound is unknown: a loop cannot be searched.");
    EXPECT_EQ(dlg->minLoopLength, 20);
    EXPECT_EQ(dlg->maxLoopLength, 90);
}

TEST_F(LoopWindowTest, ClosingDuringASearchStopsTheWorker)
{
    loadTone(4 * kRate);
    select(1000, 4 * kRate - 1000);
    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("5");
    dlg->onSearch();
    ASSERT_TRUE(dlg->searching);
    dlg->Destroy();
    EXPECT_TRUE(uitest::pumpUntil([this] { return !dlg; }, 3000));
}

TEST_F(LoopWindowTest, DropsAndOpenAreRefusedWhileASearchRuns)
{
    const std::string other = writeWave("bell", 3000);
    loadTone(4 * kRate);
    select(1000, 4 * kRate - 1000);
    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("5");
    dlg->onSearch();
    ASSERT_TRUE(dlg->searching);
    const int beeps = shell_hook::beepCount();

    auto* files = new wxString[1]{wxString::FromUTF8(other)}; // owned by the event
    wxDropFilesEvent drop(wxEVT_DROP_FILES, 1, files);
    drop.SetEventObject(dlg.get());
    {
        uitest::ScriptedMessages none;
        dlg->GetEventHandler()->ProcessEvent(drop);
        dlg->onOpen(); // as an accelerator would reach it
    }
    EXPECT_EQ(shell_hook::beepCount(), beeps + 2);
    EXPECT_EQ(dlg->doc.fileTitle, "tone");
    EXPECT_EQ(dlg->doc.sampleCount, 4 * kRate);
    // The search can still be stopped, and nothing else was switched on.
    EXPECT_TRUE(dlg->searching);
    EXPECT_TRUE(searchCommandEnabled());
    for (int id : {ID_PLAY, ID_SAVE_AS, ID_LOAD, ID_VOLUME})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_FALSE(menuEnabled(ID_SAVE_AS));

    dlg->onSearch(); // Stop
    ASSERT_TRUE(searchRunsToItsEnd());
    EXPECT_TRUE(enabled(ID_PLAY));
    EXPECT_TRUE(enabled(ID_LOAD));
}

TEST_F(LoopWindowTest, CrossfadeKindReachesThePicture)
{
    choice(*dlg, ID_CROSSFADE_KIND)->SetSelection(2);
    dlg->onCrossfadeKindChanged();
    EXPECT_EQ(dlg->crossfadeKind, 2);
    EXPECT_EQ(dlg->crossfadePicture()->kind(), 2);
    choice(*dlg, ID_CROSSFADE_KIND)->SetSelection(0);
    dlg->onCrossfadeKindChanged();
    EXPECT_EQ(dlg->crossfadePicture()->kind(), 0);
}

TEST_F(LoopWindowTest, CrossfadeOptionsDialogRefusesThenStores)
{
    EXPECT_EQ(dlg->crossfadePasses, 1);
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Ok, MessageAnswer::Ok});
        uitest::AnswerDialog<CCrossfadeOptionsDlg> answer([](CCrossfadeOptionsDlg& d) {
            EXPECT_EQ(d.GetTitle(), "Crossfade Options");
            EXPECT_EQ(d.GetId(), 150);
            EXPECT_EQ(d.passesEdit()->GetValue(), "1");
            d.passesEdit()->ChangeValue("5");
            EXPECT_FALSE(uitest::pressOk(d)); // refused: the dialog stays
            d.passesEdit()->ChangeValue("two");
            EXPECT_FALSE(uitest::pressOk(d));
            EXPECT_EQ(d.passes, 1);
            d.passesEdit()->ChangeValue("3");
            EXPECT_TRUE(uitest::pressOk(d));
            return wxID_OK;
        });
        dlg->onCrossfadeOptions();
        EXPECT_EQ(answer.shown, 1);
        EXPECT_EQ(dlg->crossfadePasses, 3);
        ASSERT_EQ(boxes.asked.size(), 2u);
        EXPECT_EQ(boxes.asked[0].text, "Please enter an integer between 1 and 4.");
        EXPECT_EQ(boxes.asked[1].text, "Please enter an integer.");
    }

    // Reopens at the stored value; Cancel keeps it.
    uitest::AnswerDialog<CCrossfadeOptionsDlg> answer([](CCrossfadeOptionsDlg& d) {
        EXPECT_EQ(d.passesEdit()->GetValue(), "3");
        d.passesEdit()->ChangeValue("4");
        return wxID_CANCEL;
    });
    dlg->onCrossfadeOptions();
    EXPECT_EQ(dlg->crossfadePasses, 3);
}

TEST_F(LoopWindowTest, FineSearchFromTheRightClickSetsTheSelection)
{
    loadTone(2 * kRate);
    select(4410, 44100); // 100 ms .. 1000 ms
    {
        uitest::AnswerDialog<CFineSearchDlg> answer([](CFineSearchDlg& d) {
            EXPECT_EQ(d.GetTitle(), "Fine search selection");
            EXPECT_EQ(d.minStartEdit()->GetValue(), "100");
            EXPECT_EQ(d.maxEndEdit()->GetValue(), "1000");
            d.minStartEdit()->ChangeValue("250");
            d.maxEndEdit()->ChangeValue("1500");
            EXPECT_TRUE(uitest::pressOk(d));
            return wxID_OK;
        });
        dlg->waveform()->rightUp(false, false);
        EXPECT_EQ(answer.shown, 1);
    }
    EXPECT_EQ(dlg->waveform()->selectionStart(), 11025); // trunc(250 * 0.001 * 44100)
    EXPECT_EQ(dlg->waveform()->selectionEnd(), 66150);

    // A refused value keeps the dialog open; Cancel then changes nothing.
    uitest::ScriptedMessages boxes({MessageAnswer::Ok, MessageAnswer::Ok});
    uitest::AnswerDialog<CFineSearchDlg> answer([](CFineSearchDlg& d) {
        d.maxEndEdit()->ChangeValue("60001");
        EXPECT_FALSE(uitest::pressOk(d));
        d.maxEndEdit()->ChangeValue("900");
        d.minStartEdit()->ChangeValue("");
        EXPECT_FALSE(uitest::pressOk(d));
        return wxID_CANCEL;
    });
    dlg->waveform()->rightUp(false, false);
    ASSERT_EQ(boxes.asked.size(), 2u);
    EXPECT_EQ(boxes.asked[0].text, "Please enter an integer between 0 and 60000.");
    EXPECT_EQ(boxes.asked[1].text, "Please enter an integer.");
    EXPECT_EQ(dlg->waveform()->selectionStart(), 11025);
    EXPECT_EQ(dlg->waveform()->selectionEnd(), 66150);

    // No dialog while a search runs: the selection is its input.
    select(1000, 2 * kRate - 1000);
    dlg->onSearch();
    ASSERT_TRUE(dlg->searching);
    dlg->waveform()->rightUp(false, false);
    EXPECT_EQ(answer.shown, 1);
    dlg->stopSearchAndWait();
}

TEST(LoopIntegerField, ParsesWholeNumbersOnly)
{
    EXPECT_EQ(parseIntegerField("42"), 42);
    EXPECT_EQ(parseIntegerField("  -7 "), -7);
    EXPECT_EQ(parseIntegerField("+3"), 3);
    EXPECT_EQ(parseIntegerField("2147483647"), 2147483647);
    EXPECT_EQ(parseIntegerField("-2147483648"), INT_MIN);
    for (const char* bad : {"", " ", "-", "4 2", "1.5", "12a", "0x10", "2147483648", "99999999999999999999"})
        EXPECT_FALSE(parseIntegerField(bad).has_value()) << bad;
    EXPECT_FALSE(integerFieldProblem("100", 0, 100).has_value());
    EXPECT_EQ(integerFieldProblem("0", 1, 4).value_or(""), "Please enter an integer between 1 and 4.");
}

TEST_F(LoopWindowTest, LoopReadOutsTellTheLoopChecksVerdict)
{
    loadTone(kRate);
    const std::vector<int16_t>& x = dlg->doc.samples[0];
    auto risingFrom = [&](int32_t i) {
        while (!(x[size_t(i)] < 0 && x[size_t(i) + 1] >= 0))
            ++i;
        return i;
    };
    // Ten periods of the 220 Hz tone between rising crossings, and the same
    // loop ended half a period later, where the wave runs downwards.
    const int32_t s = risingFrom(12000);
    const int32_t e = risingFrom(s + 1990);
    setSolutions({{s, e}, {s, e + 100}});
    auto tip = [&](int id) { return dlg->control(id)->GetToolTipText().ToStdString(); };
    chooseSolution(0);
    EXPECT_EQ(tip(ID_LOOP_START_TEXT), "Start loop\nLoop check: clean");
    EXPECT_EQ(tip(ID_LOOP_LENGTH_TEXT), "Loop length\nLoop check: clean");
    chooseSolution(1);
    EXPECT_EQ(tip(ID_LOOP_START_TEXT), "Start loop\nLoop check: audible click");
}

// While a search runs its menu item offers to stop it, and a profile run that
// ends meanwhile leaves Play harmonic to the search's end, which unlocks.
TEST_F(LoopWindowTest, SearchLockOutlivesAProfileRunAndItsMenuItemSaysStop)
{
    loadTone(3 * kRate);
    dlg->onShowProfiles();
    dlg->waitForProfiles();
    ASSERT_TRUE(dlg->profilesReady);
    EXPECT_EQ(dlg->GetMenuBar()->GetLabel(ID_SEARCH), "&Search loop");
    select(1000, 3 * kRate - 1000);
    edit(*dlg, ID_MIN_LOOP_EDIT)->SetValue("10");
    dlg->onSearch();
    ASSERT_TRUE(dlg->searching);
    EXPECT_EQ(dlg->GetMenuBar()->GetLabel(ID_SEARCH), "&Stop searching");
    dlg->onRecalculate();
    ASSERT_TRUE(dlg->profileRunning());
    dlg->waitForProfiles();
    EXPECT_TRUE(dlg->profilesReady);
    EXPECT_FALSE(enabled(ID_PLAY_SA));
    EXPECT_FALSE(menuEnabled(ID_LOAD));
    dlg->onSearch(); // stop
    ASSERT_TRUE(searchRunsToItsEnd());
    EXPECT_EQ(dlg->GetMenuBar()->GetLabel(ID_SEARCH), "&Search loop");
    EXPECT_TRUE(enabled(ID_PLAY_SA));
    EXPECT_TRUE(menuEnabled(ID_LOAD));
}

// Auto loop: one command selects the range it looked in, lists its loops
// best first with the first one shown, turns the loop type to forward, and
// Undo takes it all back as after a search.
TEST_F(LoopWindowTest, AutoLoopSelectsTheSustainAndShowsItsBestLoopFirst)
{
    loadTone(kRate);
    ASSERT_TRUE(menuEnabled(ID_AUTO_LOOP));
    choice(*dlg, ID_LOOP_TYPE)->SetSelection(1);
    dlg->onLoopTypeChanged();
    ASSERT_FALSE(dlg->doc.loops.hasLoop(0));

    dlg->onAutoLoop();
    EXPECT_TRUE(dlg->searching);
    EXPECT_FALSE(menuEnabled(ID_AUTO_LOOP));
    EXPECT_TRUE(enabled(ID_SEARCH)); // kept as the Stop
    ASSERT_TRUE(searchRunsToItsEnd());

    EXPECT_EQ(choice(*dlg, ID_LOOP_TYPE)->GetSelection(), 0);
    EXPECT_TRUE(dlg->doc.loopForward);
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetSelection(), 0);
    const SolutionTable& t = dlg->doc.loops;
    ASSERT_TRUE(t.hasLoop(0));
    const int32_t from = dlg->waveform()->selectionStart(), to = dlg->waveform()->selectionEnd();
    EXPECT_LT(from, to);
    EXPECT_EQ(dlg->waveform()->loopStart(), t.loopStart[0]);
    EXPECT_EQ(dlg->waveform()->loopEnd(), t.loopEnd[0]);

    // Each listed loop lies in the selection; the first one's junction
    // mismatch (two 220 Hz periods either side, worked out here) is the
    // lowest: on this slowly decaying sine, well under 5 %.
    const std::vector<int16_t>& x = dlg->doc.samples[0];
    auto mismatch = [&](int32_t s, int32_t e) {
        double diff = 0.0, level = 0.0;
        for (int32_t k = -400; k < 400; ++k) {
            const double u = x[size_t(e + 1 + k)], v = x[size_t(s + 1 + k)];
            diff += (u - v) * (u - v);
            level += (u * u + v * v) / 2.0;
        }
        return std::sqrt(diff / level);
    };
    const double first = mismatch(t.loopStart[0], t.loopEnd[0]);
    EXPECT_LT(first, 0.05);
    for (int i = 0; i < SolutionTable::kSolutions && t.hasLoop(i); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(t.loopStart[i], from);
        EXPECT_LE(t.loopEnd[i], to);
        EXPECT_GE(mismatch(t.loopStart[i], t.loopEnd[i]), first - 1e-12);
    }
    EXPECT_TRUE(menuEnabled(ID_AUTO_LOOP));

    dlg->onUndo();
    EXPECT_FALSE(dlg->doc.loops.hasLoop(0));
}

TEST_F(LoopWindowTest, AutoLoopRefusedInTheWorkerChangesNothing)
{
    // 1100 frames leave no room for a loop of four 220 Hz periods with two
    // more either side: a message, and the loops and the undo snapshot stay.
    loadTone(1100);
    const bool undoBefore = menuEnabled(ID_UNDO);
    uitest::ScriptedMessages boxes({MessageAnswer::Ok});
    dlg->onAutoLoop();
    ASSERT_TRUE(searchRunsToItsEnd());
    EXPECT_EQ(boxes.asked.size(), 1u);
    EXPECT_FALSE(dlg->doc.loops.hasLoop(0));
    EXPECT_EQ(menuEnabled(ID_UNDO), undoBefore);
}
