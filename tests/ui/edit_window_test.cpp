// Undo, Redo, Volume and Normalize driven through the main window.

#include "main_window_fixture.h"
#include "processing/ui/CVolumeDlg.h"

#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/modalhook.h>
#include <wx/slider.h>

#include <cmath>
#include <optional>
#include <tuple>
#include <vector>

namespace {

// Answers the Volume and Normalize dialogs without a modal loop: records the
// level each opened at, then accepts `answerDb` (or cancels when empty).
// Hooks registered last are asked first, so this one answers before the
// test program's catch-all.
class LevelDialogAnswer : public wxModalDialogHook {
public:
    explicit LevelDialogAnswer(std::optional<double> answerDb) : answer_(answerDb) { Register(); }
    ~LevelDialogAnswer() override { Unregister(); }

    std::vector<double> openedAtDb;
    std::vector<std::string> titles;

protected:
    int Enter(wxDialog* dialog) override
    {
        auto* level = dynamic_cast<CLevelDlg*>(dialog);
        if (!level)
            return wxID_NONE;
        openedAtDb.push_back(level->levelDb);
        titles.push_back(level->GetTitle().ToStdString());
        if (!answer_)
            return wxID_CANCEL;
        level->levelDb = *answer_;
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}

private:
    std::optional<double> answer_;
};

// trunc(s * gain + 0.5), clamped: the volume rule worked out independently.
int16_t scaled(int16_t s, double gain)
{
    const double v = std::trunc(s * gain + 0.5);
    return static_cast<int16_t>(std::max(-32768.0, std::min(32767.0, v)));
}

} // namespace

class EditWindowTest : public MainWindowTest {
protected:
    void openTone(int frames = 8000, int channels = 1)
    {
        // A sound shorter than 1024 frames loads after a warning.
        if (frames < 1024)
            open(writeWave("tone", frames, channels), {MessageAnswer::Ok});
        else
            open(writeWave("tone", frames, channels));
        ASSERT_TRUE(dlg->doc.isLoaded());
        original[0] = dlg->doc.samples[0];
        original[1] = dlg->doc.samples[1];
    }
    void volume(double db)
    {
        LevelDialogAnswer answer(db);
        dlg->onVolume();
    }
    void normalize(double db)
    {
        LevelDialogAnswer answer(db);
        dlg->onNormalize();
    }
    // Menu item and button agree, and both match the window's flags.
    void expectUndoRedo(bool undo, bool redo)
    {
        EXPECT_EQ(menuEnabled(ID_UNDO), undo);
        EXPECT_EQ(enabled(ID_UNDO), undo);
        EXPECT_EQ(dlg->undoAvailable, undo);
        EXPECT_EQ(menuEnabled(ID_REDO), redo);
        EXPECT_EQ(enabled(ID_REDO), redo);
        EXPECT_EQ(dlg->redoAvailable, redo);
    }
    bool progressHidden() const
    {
        auto* gauge = static_cast<wxGauge*>(dlg->control(ID_PROGRESS));
        return !gauge->IsShown() && gauge->GetValue() == 0;
    }

    std::vector<int16_t> original[2];
};

TEST_F(EditWindowTest, VolumeScalesEverySampleAndMarksTheSoundModified)
{
    openTone(1000, 2);
    expectUndoRedo(false, false);
    EXPECT_FALSE(menuEnabled(ID_SAVE));
    const int beeps = shell_hook::beepCount();

    volume(6.0);

    const double gain = std::pow(10.0, 6.0 / 20.0);
    for (int c = 0; c < 2; ++c) {
        ASSERT_EQ(dlg->doc.samples[c].size(), 1000u);
        size_t changed = 0;
        for (size_t i = 0; i < 1000; ++i) {
            ASSERT_EQ(dlg->doc.samples[c][i], scaled(original[c][i], gain)) << "channel " << c << " frame " << i;
            changed += dlg->doc.samples[c][i] != original[c][i];
        }
        // The last chunk (frames 896 .. 999) is scaled too.
        EXPECT_GT(changed, 900u);
        EXPECT_NE(dlg->doc.samples[c][999], original[c][999]);
    }
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_TRUE(menuEnabled(ID_SAVE));
    EXPECT_TRUE(enabled(ID_SAVE));
    expectUndoRedo(true, false);
    EXPECT_EQ(shell_hook::beepCount(), beeps + 1);
    EXPECT_TRUE(progressHidden());
    // The bar counted 129 chunks per channel.
    EXPECT_EQ(static_cast<wxGauge*>(dlg->control(ID_PROGRESS))->GetRange(), 2 * 129);
    EXPECT_DOUBLE_EQ(dlg->volumeGain, gain);
}

TEST_F(EditWindowTest, UndoRestoresExactlyAndUndoTwiceIsImpossible)
{
    openTone();
    volume(6.0);
    const std::vector<int16_t> louder = dlg->doc.samples[0];
    ASSERT_NE(louder, original[0]);

    dlg->onUndo();
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
    EXPECT_EQ(dlg->doc.sampleCount, 8000);
    expectUndoRedo(false, true);

    // A second Undo has nothing to go back to.
    dlg->onUndo();
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
    expectUndoRedo(false, true);

    dlg->onRedo();
    EXPECT_EQ(dlg->doc.samples[0], louder);
    expectUndoRedo(true, false);
    dlg->onRedo();
    EXPECT_EQ(dlg->doc.samples[0], louder);
    expectUndoRedo(true, false);

    // The louder sound was never written.
    EXPECT_FALSE(dlg->doc.isSaved);
}

TEST_F(EditWindowTest, AfterUndoOrRedoTheSoundIsSavedOnlyInTheStateOnDisk)
{
    openTone();
    auto saveState = [this] { return std::make_tuple(dlg->doc.isSaved, menuEnabled(ID_SAVE), enabled(ID_SAVE)); };
    const auto saved = std::make_tuple(true, false, false);
    const auto modified = std::make_tuple(false, true, true);

    // Undo of an edit of the loaded sound brings back what the file holds.
    volume(6.0);
    EXPECT_EQ(saveState(), modified);
    dlg->onUndo();
    EXPECT_EQ(saveState(), saved);
    dlg->onRedo();
    EXPECT_EQ(saveState(), modified);

    // Saved after the edit: now the state before it is the one not on disk.
    {
        uitest::ScriptedMessages none;
        dlg->onSave();
    }
    EXPECT_EQ(saveState(), saved);
    dlg->onUndo();
    ASSERT_EQ(dlg->doc.samples[0], original[0]);
    EXPECT_EQ(saveState(), modified);
    // ... so replacing it asks first (Cancel keeps it).
    {
        uitest::ScriptedFiles names({folder + "/tone.wav"});
        uitest::ScriptedMessages boxes({MessageAnswer::Cancel});
        dlg->onOpen();
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].text, "Do you want to save changes to tone.wav?");
    }
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
    dlg->onRedo();
    EXPECT_EQ(saveState(), saved);
}

TEST_F(EditWindowTest, NormalizeAfterUndoReplacesTheSnapshot)
{
    openTone();
    volume(-6.0);
    dlg->onUndo();
    expectUndoRedo(false, true);

    normalize(0.0);
    expectUndoRedo(true, false);
    // The snapshot is the sound just before Normalize: the original file.
    EXPECT_EQ(dlg->undoHistory.snapshot().samples[0], original[0]);
    int peak = 0;
    for (int16_t s : dlg->doc.samples[0])
        peak = std::max(peak, std::abs(int(s)));
    EXPECT_LE(peak, 32767);
    EXPECT_GE(peak, 32766); // trunc(peak * (32767 / peak)) may lose one step

    dlg->onUndo();
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
}

TEST_F(EditWindowTest, LoadAfterEditsEmptiesTheHistory)
{
    openTone();
    volume(3.0);
    dlg->onUndo();
    volume(3.0);
    expectUndoRedo(true, false);
    open(writeWave("other", 4000), {MessageAnswer::No}); // do not save the changes
    ASSERT_EQ(dlg->doc.sampleCount, 4000);
    expectUndoRedo(false, false);
    EXPECT_TRUE(dlg->undoHistory.snapshot().samples[0].empty());
    EXPECT_EQ(dlg->undoHistory.snapshot().sampleCount, 4000);
    dlg->onUndo();
    EXPECT_EQ(dlg->doc.sampleCount, 4000);
}

TEST_F(EditWindowTest, DialogsOpenAtTheLastAcceptedLevel)
{
    openTone();
    {
        LevelDialogAnswer answer(-6.0);
        dlg->onVolume();
        dlg->onNormalize();
        dlg->onVolume();
        dlg->onNormalize();
        ASSERT_EQ(answer.openedAtDb.size(), 4u);
        EXPECT_EQ(answer.titles[0], "Volume");
        EXPECT_EQ(answer.titles[1], "Normalize");
        EXPECT_DOUBLE_EQ(answer.openedAtDb[0], 0.0);
        EXPECT_DOUBLE_EQ(answer.openedAtDb[1], 0.0);
        EXPECT_NEAR(answer.openedAtDb[2], -6.0, 1e-9);
        EXPECT_NEAR(answer.openedAtDb[3], -6.0, 1e-9);
    }
    // Cancel keeps the level, the sound and the history.
    const std::vector<int16_t> before = dlg->doc.samples[0];
    const double gain = dlg->volumeGain;
    {
        LevelDialogAnswer cancel(std::nullopt);
        dlg->onVolume();
        dlg->onNormalize();
        EXPECT_EQ(cancel.openedAtDb.size(), 2u);
    }
    EXPECT_EQ(dlg->doc.samples[0], before);
    EXPECT_EQ(dlg->volumeGain, gain);
    expectUndoRedo(true, false);
}

TEST_F(EditWindowTest, VolumeAtZeroDecibelsOnlyRemembersTheLevel)
{
    openTone();
    volume(-6.0);
    dlg->onUndo();
    const int beeps = shell_hook::beepCount();
    volume(0.0);
    EXPECT_EQ(dlg->volumeGain, 1.0);
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
    // The Redo step of the earlier Undo survives: no snapshot was taken.
    expectUndoRedo(false, true);
    EXPECT_EQ(shell_hook::beepCount(), beeps);
    EXPECT_TRUE(progressHidden());
}

TEST_F(EditWindowTest, NormalizeOfASoundAlreadyAtTheLevelKeepsItsSnapshotButDoesNotRefresh)
{
    openTone();
    dlg->doc.samples[0][100] = 32767;
    const std::vector<int16_t> before = dlg->doc.samples[0];
    const int beeps = shell_hook::beepCount();
    normalize(0.0);
    EXPECT_EQ(dlg->doc.samples[0], before);
    expectUndoRedo(true, false);
    EXPECT_EQ(shell_hook::beepCount(), beeps);
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_FALSE(menuEnabled(ID_SAVE));
    EXPECT_TRUE(progressHidden());
}

TEST_F(EditWindowTest, NormalizeOfASilentSoundCompletes)
{
    openTone();
    std::fill(dlg->doc.samples[0].begin(), dlg->doc.samples[0].end(), 0);
    normalize(-3.0);
    for (int16_t s : dlg->doc.samples[0])
        ASSERT_EQ(s, 0);
    EXPECT_FALSE(dlg->doc.isSaved);
    expectUndoRedo(true, false);
}

TEST_F(EditWindowTest, EditCommandsDoNothingWithoutASound)
{
    LevelDialogAnswer answer(6.0);
    dlg->onVolume();
    dlg->onNormalize();
    dlg->applyVolumeLevel(6.0);
    dlg->applyNormalizeLevel(0.0);
    dlg->onUndo();
    dlg->onRedo();
    EXPECT_TRUE(answer.openedAtDb.empty());
    EXPECT_FALSE(dlg->doc.isLoaded());
    expectUndoRedo(false, false);
}

TEST_F(EditWindowTest, UndoBringsBackTheLoopRateAndTheirReadOuts)
{
    open(writeWave("looped", 8000, 1, wavbytes::SamplerLoop{0, 2000, 6000}));
    ASSERT_TRUE(dlg->doc.loops.hasLoop(0));
    ASSERT_TRUE(enabled(ID_PLAY_LOOP));
    const std::string duration = dlg->text(ID_DURATION_TEXT);
    const std::string loopStart = dlg->text(ID_LOOP_START_TEXT);
    ASSERT_FALSE(loopStart.empty());

    auto* slider = static_cast<wxSlider*>(dlg->control(ID_CROSSFADE_SLIDER));
    slider->SetValue(20);
    dlg->onCrossfadeSliderChanged();
    ASSERT_EQ(dlg->crossfadeLength, 882); // 20 ms at 44.1 kHz

    // An edit that relabels the rate and drops the loop, as Change sample
    // rate and the tracker functions do.
    dlg->pushUndo();
    dlg->doc.sampleRate = 22050;
    dlg->onCrossfadeSliderChanged();
    ASSERT_EQ(dlg->crossfadeLength, 441);
    dlg->doc.loops.clear();
    dlg->doc.loopForward = false;

    dlg->onUndo();
    EXPECT_EQ(dlg->doc.sampleRate, 44100);
    EXPECT_TRUE(dlg->doc.loops.hasLoop(0));
    EXPECT_TRUE(dlg->doc.loopForward);
    EXPECT_EQ(dlg->text(ID_DURATION_TEXT), duration);
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), loopStart);
    EXPECT_TRUE(enabled(ID_PLAY_LOOP));
    // The crossfade length in samples follows the restored rate.
    EXPECT_EQ(dlg->crossfadeLength, 882);
    EXPECT_EQ(static_cast<wxChoice*>(dlg->control(ID_LOOP_TYPE))->GetSelection(), 0);

    dlg->onRedo();
    EXPECT_EQ(dlg->doc.sampleRate, 22050);
    EXPECT_FALSE(dlg->doc.loops.hasLoop(0));
    EXPECT_NE(dlg->text(ID_DURATION_TEXT), duration);
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), "");
    EXPECT_FALSE(enabled(ID_PLAY_LOOP));
    EXPECT_FALSE(menuEnabled(ID_SAVE_OPTIONS));
    EXPECT_EQ(static_cast<wxChoice*>(dlg->control(ID_LOOP_TYPE))->GetSelection(), 1);
}

TEST_F(EditWindowTest, UndoOfAChangedChannelCountRewritesTheFileInformation)
{
    openTone(8000, 2);
    const std::string stereoInfo = dlg->text(ID_WAVE_PROPERTIES);
    dlg->pushUndo();
    // As New by FFT mixing may leave it: one channel where there were two.
    dlg->doc.channels = 1;
    dlg->doc.blockAlign = 2;
    dlg->doc.samples[1].clear();
    dlg->onUndo(); // back to stereo
    EXPECT_EQ(dlg->doc.channels, 2);
    EXPECT_EQ(dlg->doc.samples[1], original[1]);
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), stereoInfo);
    dlg->onRedo();
    EXPECT_EQ(dlg->doc.channels, 1);
    EXPECT_NE(dlg->text(ID_WAVE_PROPERTIES), stereoInfo);
}

// Edits and the exchange of Undo stop whatever plays first.
class EditWindowPlaybackTest : public EditWindowTest {
protected:
    void SetUp() override
    {
        saved = CMainDlg::playbackDeviceOptions();
        CMainDlg::playbackDeviceOptions() = {CMainDlg::PlaybackDeviceOptions::Output::NullManual, 1.0, false};
        EditWindowTest::SetUp();
    }
    void TearDown() override
    {
        EditWindowTest::TearDown();
        CMainDlg::playbackDeviceOptions() = saved;
    }
    CMainDlg::PlaybackDeviceOptions saved;
};

TEST_F(EditWindowPlaybackTest, EditsAndUndoStopThePlayback)
{
    openTone();
    dlg->onPlayOneShot();
    ASSERT_EQ(dlg->playingButton(), ID_PLAY);
    volume(6.0);
    EXPECT_EQ(dlg->playingButton(), 0);

    dlg->onPlayOneShot();
    ASSERT_EQ(dlg->playingButton(), ID_PLAY);
    dlg->onUndo();
    EXPECT_EQ(dlg->playingButton(), 0);
    EXPECT_EQ(dlg->doc.samples[0], original[0]);

    dlg->onPlayOneShot();
    ASSERT_EQ(dlg->playingButton(), ID_PLAY);
    normalize(-1.0);
    EXPECT_EQ(dlg->playingButton(), 0);
}
