// The extraction and tracker dialogs, and the commands driven through the
// main window.

#include "extraction/ui/CHarmonicExtractionDlg.h"
#include "extraction/ui/CInharmonicExtractionDlg.h"
#include "extraction/ui/CTrackerParamsDlg.h"
#include "main_window_fixture.h"
#include "views/ui/CSpectrumView.h"
#include "views/ui/WaveformView.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

bool isEnabled(wxDialog& d, int id) { return d.FindWindow(id)->IsEnabled(); }

wxTextCtrl* editOf(wxDialog& d, int id) { return static_cast<wxTextCtrl*>(d.FindWindow(id)); }

} // namespace

TEST(ExtractionDialogs, EachRadioButtonEnablesOnlyItsOwnControls)
{
    CHarmonicExtractionDlg dlg(nullptr);
    dlg.InitDialog();
    EXPECT_EQ(dlg.GetTitle(), "Harmonic extraction setting");
    EXPECT_EQ(static_cast<wxChoice*>(dlg.FindWindow(1124))->GetStringSelection(), "Extract");
    EXPECT_TRUE(dlg.choiceButton(0)->GetValue());
    EXPECT_EQ(dlg.choiceButton(3)->GetLabel(), "all the harmonics exept:");
    const int owned[] = {1120, 1012, 1079, 1080, 1013};
    // Which of `owned` each choice enables.
    const std::vector<int> expected[4] = {{}, {1120, 1012}, {1079, 1013}, {1080, 1013}};
    for (int choice : {0, 3, 1, 2, 0}) {
        dlg.choose(choice);
        for (int id : owned) {
            const bool on = std::find(expected[choice].begin(), expected[choice].end(), id) != expected[choice].end();
            EXPECT_EQ(isEnabled(dlg, id), on) << "choice " << choice << ", control " << id;
        }
    }

    CInharmonicExtractionDlg inharmonic(nullptr);
    inharmonic.InitDialog();
    EXPECT_EQ(inharmonic.GetTitle(), "Inharmonic extraction setting");
    EXPECT_EQ(inharmonic.choiceButton(0)->GetLabel(), "nothing else");
    EXPECT_EQ(inharmonic.FindWindow(1080), nullptr);
    EXPECT_EQ(inharmonic.FindWindow(1124), nullptr);
    for (int id : {1120, 1012, 1079, 1013})
        EXPECT_FALSE(isEnabled(inharmonic, id));
}

// Shown at the default font, no radio button is smaller than GTK needs for
// its indicator and label (else GTK warns at every layout).
TEST(ExtractionDialogs, RadioButtonsGetTheRoomTheyNeed)
{
    CHarmonicExtractionDlg harmonic(nullptr);
    CInharmonicExtractionDlg inharmonic(nullptr);
    for (CExtractionSettingsDlg* dlg : std::initializer_list<CExtractionSettingsDlg*>{&harmonic, &inharmonic}) {
        dlg->Show();
        uitest::pumpFor(50);
        int radios = 0;
        for (wxWindow* child : dlg->GetChildren()) {
            auto* radio = dynamic_cast<wxRadioButton*>(child);
            if (!radio)
                continue;
            ++radios;
            const wxSize size = radio->GetSize();
            const wxSize best = radio->GetBestSize();
            EXPECT_GE(size.x, best.x) << radio->GetLabel();
            EXPECT_GE(size.y, best.y) << radio->GetLabel();
        }
        EXPECT_GE(radios, 3);
        dlg->Hide();
    }
}

TEST(ExtractionDialogs, OkRefusesBadRowsAndReadsTheSettings)
{
    uitest::ScriptedMessages boxes({MessageAnswer::Ok});
    CHarmonicExtractionDlg dlg(nullptr);
    dlg.InitDialog();
    editOf(dlg, 1081)->ChangeValue("11");
    EXPECT_FALSE(uitest::pressOk(dlg));
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, "Please enter an integer between 1 and 10.");
    editOf(dlg, 1081)->ChangeValue("10");
    // The edits take no more than 100 characters.
    editOf(dlg, 1080)->ChangeValue(wxString('1', 101));
    EXPECT_LE(editOf(dlg, 1080)->GetValue().length(), 100u);

    editOf(dlg, 1080)->ChangeValue("2,4");
    static_cast<wxChoice*>(dlg.FindWindow(1124))->SetSelection(1);
    dlg.choose(3);
    static_cast<wxCheckBox*>(dlg.FindWindow(1061))->SetValue(true);
    ASSERT_TRUE(uitest::pressOk(dlg));
    EXPECT_FALSE(dlg.settings.inharmonic);
    EXPECT_EQ(dlg.settings.operation, 1);
    EXPECT_EQ(dlg.settings.choice, 3);
    EXPECT_EQ(dlg.settings.exceptList, "2,4");
    EXPECT_EQ(dlg.settings.maskRows, 10);
    EXPECT_TRUE(dlg.settings.resample);
}

TEST(TrackerDialog, ShowsTheKeptValuesAndRefusesOutOfRangeOnes)
{
    TrackerParams start;
    start.characteristicHarmonics = "1,3";
    CTrackerParamsDlg dlg(nullptr, start);
    dlg.InitDialog();
    EXPECT_EQ(dlg.GetTitle(), "Tracker parameters");
    EXPECT_EQ(dlg.edit(1082)->GetValue(), "1,3");
    EXPECT_EQ(dlg.edit(1083)->GetValue(), "16");
    EXPECT_EQ(dlg.edit(1080)->GetValue(), "90");
    EXPECT_EQ(dlg.edit(1079)->GetValue(), "27");
    EXPECT_EQ(dlg.edit(1081)->GetValue(), "15");

    uitest::ScriptedMessages boxes({MessageAnswer::Ok});
    dlg.edit(1079)->ChangeValue("65");
    EXPECT_FALSE(uitest::pressOk(dlg));
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, "Please enter an integer between 0 and 64.");
    EXPECT_EQ(dlg.params.chiffAttenuation, 27);
    dlg.edit(1079)->ChangeValue("0");
    dlg.edit(1083)->ChangeValue("128");
    ASSERT_TRUE(uitest::pressOk(dlg));
    EXPECT_EQ(dlg.params.chiffAttenuation, 0);
    EXPECT_EQ(dlg.params.compensateUpTo, 128);
}

class ExtractionWindowTest : public MainWindowTest {
protected:
    void openLooped(int channels = 1)
    {
        open(writeWave("tone", 20000, channels, wavbytes::SamplerLoop{0, 10000, 14409}));
        ASSERT_TRUE(dlg->doc.isLoaded());
        dlg->showDevelopmentControls();
    }
    void trak()
    {
        uitest::AnswerDialog<CTrackerParamsDlg> answer([](CTrackerParamsDlg& d) {
            return uitest::pressOk(d) ? wxID_OK : wxID_CANCEL;
        });
        dlg->onDevelopmentTrak();
        EXPECT_EQ(answer.shown, 1);
    }
};

TEST_F(ExtractionWindowTest, HarmonicExtractionChangesEveryChannelAndUndoRestoresIt)
{
    openLooped(2);
    const std::vector<int16_t> before[2] = {dlg->doc.samples[0], dlg->doc.samples[1]};
    uitest::AnswerDialog<CHarmonicExtractionDlg> answer([](CHarmonicExtractionDlg& d) {
        d.choose(2);
        editOf(d, 1079)->ChangeValue("2-5");
        return uitest::pressOk(d) ? wxID_OK : wxID_CANCEL;
    });
    dlg->onHarmonicExtraction();
    ASSERT_EQ(answer.shown, 1);
    // The channels are pure tones (220 Hz and 440 Hz), each its own
    // fundamental: keeping harmonics 2-5 alone leaves each channel at least
    // 30 dB below what it was, away from the filters' ends.
    for (int c = 0; c < 2; ++c) {
        double was = 0.0, is = 0.0;
        for (size_t i = 4000; i < 16000; ++i) {
            was += static_cast<double>(before[c][i]) * before[c][i];
            is += static_cast<double>(dlg->doc.samples[c][i]) * dlg->doc.samples[c][i];
        }
        ASSERT_GT(was, 0.0);
        EXPECT_LT(10.0 * std::log10(std::max(is, 1.0) / was), -30.0) << "channel " << c;
    }
    auto* gauge = static_cast<wxGauge*>(dlg->control(ID_PROGRESS));
    EXPECT_EQ(gauge->GetRange(), 200); // the filters reported over 100 x channels
    EXPECT_FALSE(gauge->IsShown());
    EXPECT_TRUE(menuEnabled(ID_SAVE));
    EXPECT_FALSE(dlg->doc.isSaved);
    ASSERT_TRUE(dlg->undoAvailable);
    dlg->onUndo();
    EXPECT_EQ(dlg->doc.samples[0], before[0]);
    EXPECT_EQ(dlg->doc.samples[1], before[1]);
}

TEST_F(ExtractionWindowTest, TrakThenChThenSlRestoresLengthAndLoop)
{
    openLooped();
    EXPECT_FALSE(enabled(ID_DEV_CH));
    trak();
    EXPECT_TRUE(dlg->undoAvailable);
    EXPECT_TRUE(enabled(ID_DEV_CH));
    EXPECT_FALSE(enabled(ID_DEV_SL));
    const std::vector<int16_t> slow = dlg->doc.samples[0];
    const std::vector<int16_t> chiff = dlg->trackerState().buffer(0);
    ASSERT_EQ(chiff.size(), 10000u);

    static_cast<wxCheckBox*>(dlg->control(ID_INVERT_CHIFF))->SetValue(false);
    dlg->onDevelopmentCh();
    EXPECT_EQ(dlg->doc.sampleCount, 10000);
    EXPECT_FALSE(dlg->doc.loops.hasLoop(0));
    EXPECT_FALSE(enabled(ID_SOLUTIONS));
    EXPECT_FALSE(enabled(ID_PLAY_LOOP));
    EXPECT_FALSE(menuEnabled(ID_SAVE_OPTIONS));
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), "");
    EXPECT_FALSE(enabled(ID_DEV_CH));
    EXPECT_TRUE(enabled(ID_DEV_SL));
    EXPECT_TRUE(std::equal(chiff.begin(), chiff.end(), dlg->doc.samples[0].begin()));

    dlg->onDevelopmentSl();
    EXPECT_EQ(dlg->doc.sampleCount, 20000);
    EXPECT_EQ(dlg->doc.loops.loopStart[0], 9999);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], 14409);
    EXPECT_EQ(dlg->doc.samples[0], slow);
    EXPECT_TRUE(enabled(ID_PLAY_LOOP));
    EXPECT_TRUE(menuEnabled(ID_SAVE_OPTIONS));
    EXPECT_EQ(dlg->text(ID_LOOP_LENGTH_TEXT), "100 ms");
    EXPECT_TRUE(enabled(ID_DEV_CH));

    // Undo brings back the sound before Trak, and the chiff goes with it.
    dlg->onUndo();
    EXPECT_FALSE(enabled(ID_DEV_CH));
    EXPECT_FALSE(enabled(ID_DEV_SL));
}

// Ch and Sl change the samples, so the profiles are computed again; while
// that run has the commands locked, Save stays off with the rest.
TEST_F(ExtractionWindowTest, ChAndSlLeaveSaveToTheProfileRunsEnd)
{
    openLooped();
    dlg->onShowProfiles();
    dlg->waitForProfiles();
    trak();
    dlg->waitForProfiles();
    for (bool chiff : {true, false}) {
        SCOPED_TRACE(chiff);
        if (chiff)
            dlg->onDevelopmentCh();
        else
            dlg->onDevelopmentSl();
        ASSERT_TRUE(dlg->profileRunning() || !dlg->profilesReady);
        EXPECT_FALSE(menuEnabled(ID_LOAD));
        EXPECT_FALSE(menuEnabled(ID_SAVE));
        EXPECT_FALSE(enabled(ID_SAVE));
        dlg->waitForProfiles();
        EXPECT_TRUE(menuEnabled(ID_SAVE));
        EXPECT_TRUE(enabled(ID_SAVE));
    }
}

TEST_F(ExtractionWindowTest, TrakRefusesALoopOfLengthZero)
{
    openLooped();
    dlg->doc.loops.loopStart[0] = dlg->doc.loops.loopEnd[0] = 12000;
    const std::vector<int16_t> before = dlg->doc.samples[0];
    uitest::ScriptedMessages boxes({MessageAnswer::Ok});
    dlg->onDevelopmentTrak(); // no dialog: the catch-all hook would fail the test
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, "There must be a loop selected.");
    EXPECT_EQ(dlg->doc.samples[0], before);
    EXPECT_FALSE(dlg->undoAvailable);
    EXPECT_FALSE(enabled(ID_DEV_CH));
}

TEST_F(ExtractionWindowTest, RsResamplesSoThatWholePeriodsSpanAPowerOfTwo)
{
    openLooped();
    // 441 Hz at 44100 Hz: 10 periods are 1000 samples; 1024 of them at 45158 Hz.
    dlg->doc.channelPitch[0] = 441.0;
    dlg->doc.updatePitchHz();
    dlg->onShowProfiles();
    dlg->waitForProfiles();
    ASSERT_TRUE(dlg->profilesReady);
    dlg->onDevelopmentRS();
    EXPECT_EQ(dlg->doc.sampleRate, 45158);
    EXPECT_EQ(dlg->doc.sampleCount, 20480); // trunc(20000 * 45158 / 44100 + 0.5), 20479.8 rounded
    EXPECT_TRUE(dlg->undoAvailable);
    // The after-edit refresh: the waveform and the spectrum describe the new
    // sound, and the old profiles are replaced by a run over it.
    EXPECT_EQ(dlg->waveform()->columns().frameCount, 20480);
    EXPECT_EQ(dlg->spectrumAnalysis().sampleRate, 45158);
    EXPECT_FALSE(dlg->profilesReady);
    dlg->waitForProfiles();
    ASSERT_TRUE(dlg->profilesReady);
    EXPECT_EQ(dlg->profileState.results->sampleRate, 45158);
    EXPECT_EQ(dlg->profileState.results->sampleCount, 20480);
    EXPECT_TRUE(menuEnabled(ID_SAVE));
    dlg->onUndo();
    EXPECT_EQ(dlg->doc.sampleRate, 44100);
    EXPECT_EQ(dlg->doc.sampleCount, 20000);
}
