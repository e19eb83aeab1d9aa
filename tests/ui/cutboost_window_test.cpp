// FFT options and the parametric cut/boost filter driven through the main
// window: the dialogs are answered by scripts that work their controls.

#include "main_window_fixture.h"

#include "platform/ui/CUpDownCtrl.h"
#include "playback/PlaybackEngine.h"
#include "processing/ui/CCutBoostDlg.h"
#include "processing/ui/CFftOptionsDlg.h"
#include "views/ui/CCutBoostSpectrumView.h"
#include "views/ui/COverviewStrip.h"
#include "views/ui/CPositionStrip.h"
#include "views/ui/WaveformView.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/slider.h>
#include <wx/textctrl.h>

#include <functional>

namespace {

// What the OK button does: the data exchange, which refuses a bad field.
int pressOk(wxDialog& d)
{
    return uitest::pressOk(d) ? wxID_OK : wxID_NONE;
}

} // namespace

class CutBoostWindowTest : public MainWindowTest {
protected:
    void load(int frames, int channels = 1)
    {
        open(writeWave("tone", frames, channels));
        ASSERT_TRUE(dlg->doc.isLoaded());
        original[0] = dlg->doc.samples[0];
        original[1] = dlg->doc.samples[1];
    }
    std::vector<int16_t> original[2];
};

TEST_F(CutBoostWindowTest, FftOptionsFitTheWindowAfterOkAndTheStripFollowsTheStart)
{
    load(132300); // 3 s at 44100 Hz
    const int16_t exponentBefore = dlg->doc.fftSizeExp;
    uitest::AnswerDialog<CFftOptionsDlg> answer([&](CFftOptionsDlg& d) {
        EXPECT_EQ(d.largestStartMs, (132300 - 1024) * 1000 / 44100);
        EXPECT_EQ(d.windowCombo()->GetSelection(), exponentBefore);
        // The strip follows each change at once.
        d.startEdit()->SetValue("2000");
        EXPECT_EQ(d.positionStrip()->stretchFirst(), 88200);
        EXPECT_EQ(d.positionStrip()->stretchLast(), 88200 + 1024 * (1 << exponentBefore));
        d.windowCombo()->SetSelection(6);
        wxCommandEvent chosen(wxEVT_CHOICE, CFftOptionsDlg::IDC_WINDOW_COMBO);
        chosen.SetInt(6);
        d.windowCombo()->ProcessWindowEvent(chosen);
        EXPECT_EQ(d.positionStrip()->stretchLast(), 88200 + 65536);
        return pressOk(d);
    });
    // The waveform's Shift+Ctrl right click opens the dialog.
    dlg->waveform()->rightUp(true, true);
    EXPECT_EQ(answer.shown, 1);
    EXPECT_EQ(dlg->doc.fftSizeExp, 5);
    EXPECT_NEAR(dlg->doc.fftStartFraction * 132300, 88200.0, 1e-6);
    EXPECT_NEAR(dlg->doc.pitchHz, 220.0, 2.0);
    // Not an edit: no undo step, nothing to save.
    EXPECT_FALSE(dlg->undoAvailable);
    EXPECT_TRUE(dlg->doc.isSaved);
}

TEST_F(CutBoostWindowTest, FftOptionsRefuseAStartOutsideTheFieldsRange)
{
    load(20000);
    const double fraction = dlg->doc.fftStartFraction;
    uitest::ScriptedMessages boxes({MessageAnswer::Ok, MessageAnswer::Ok});
    uitest::AnswerDialog<CFftOptionsDlg> answer([&](CFftOptionsDlg& d) {
        d.startEdit()->ChangeValue("70000");
        EXPECT_EQ(pressOk(d), wxID_NONE);
        d.startEdit()->ChangeValue("12x");
        EXPECT_EQ(pressOk(d), wxID_NONE);
        return wxID_CANCEL;
    });
    dlg->onFftOptions();
    ASSERT_EQ(boxes.asked.size(), 2u);
    EXPECT_EQ(boxes.asked[0].text, "Please enter an integer between 0 and 60000.");
    EXPECT_EQ(boxes.asked[1].text, "Please enter an integer.");
    EXPECT_EQ(dlg->doc.fftStartFraction, fraction);
}

TEST_F(CutBoostWindowTest, OkWithoutApplyLeavesSoundAndHistoryAlone)
{
    load(30000, 2);
    uitest::AnswerDialog<CCutBoostDlg> answer([&](CCutBoostDlg& d) {
        // The window-size labels, the slider start positions and the gain's kind.
        EXPECT_EQ(d.labelText(CCutBoostDlg::IDC_ATTACK_SIZE), "(4. K)");
        EXPECT_EQ(d.labelText(CCutBoostDlg::IDC_SUSTAIN_SIZE), "(16. K)");
        EXPECT_EQ(d.freqSlider()->GetValue(), 16384 / 4);
        EXPECT_EQ(d.widthSlider()->GetMax(), 16384 / 4 - 1);
        EXPECT_EQ(d.labelText(CCutBoostDlg::IDC_FREQ_LABEL), "11025. Hz");
        d.gainEdit()->SetValue("-3");
        EXPECT_EQ(d.labelText(CCutBoostDlg::IDC_GAIN_KIND), "(Cut)");
        d.gainEdit()->SetValue("0");
        EXPECT_EQ(d.labelText(CCutBoostDlg::IDC_GAIN_KIND), "");
        EXPECT_TRUE(d.sustainView()->ready());
        EXPECT_EQ(d.sustainView()->computedChannels(), 2);
        return wxID_OK;
    });
    dlg->onCutBoost();
    EXPECT_EQ(answer.shown, 1);
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
    EXPECT_EQ(dlg->doc.samples[1], original[1]);
    EXPECT_FALSE(dlg->undoAvailable);
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_EQ(dlg->cutBoostFreqPos, -1);
}

TEST_F(CutBoostWindowTest, CancelAfterApplyKeepsTheGainButNotTheSound)
{
    load(30000);
    const int beeps = shell_hook::beepCount();
    uitest::AnswerDialog<CCutBoostDlg> answer([&](CCutBoostDlg& d) {
        d.gainSpin()->step(+1);
        d.gainSpin()->step(+1);
        EXPECT_EQ(d.labelText(CCutBoostDlg::IDC_GAIN_KIND), "(Boost)");
        uitest::moveSlider(d.freqSlider(), 82); // the tone's 220 Hz: bin 220 * 16384 / 44100 = 81.7
        uitest::moveSlider(d.widthSlider(), 40);
        // Bypass plays the sound itself; Apply stops it before it rewrites the copies.
        d.bypassBox()->SetValue(true);
        d.togglePlay();
        EXPECT_EQ(dlg->playbackEngine()->playMode.load(), PlayOneShot);
        d.apply();
        EXPECT_EQ(dlg->playbackEngine()->playMode.load(), PlayIdle);
        EXPECT_EQ(d.playButton()->GetLabel(), "Play");
        // The copies changed: the strips were recomputed from them.
        EXPECT_NE(d.session().copy(0), original[0]);
        return wxID_CANCEL;
    });
    dlg->onCutBoost();
    EXPECT_EQ(shell_hook::beepCount(), beeps + 1);
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
    EXPECT_FALSE(dlg->undoAvailable);
    EXPECT_EQ(dlg->cutBoostGain, 2);
    EXPECT_EQ(dlg->cutBoostFreqPos, -1);

    // The next opening starts at the remembered gain.
    uitest::AnswerDialog<CCutBoostDlg> again([&](CCutBoostDlg& d) {
        EXPECT_EQ(d.gainDb(), 2);
        return wxID_CANCEL;
    });
    dlg->onCutBoost();
}

TEST_F(CutBoostWindowTest, OkAfterApplyCommitsAnUndoableEditWhilePreviewStops)
{
    load(30000);
    uitest::AnswerDialog<CCutBoostDlg> answer([&](CCutBoostDlg& d) {
        d.gainEdit()->SetValue("-12");
        uitest::moveSlider(d.freqSlider(), 82);
        uitest::moveSlider(d.widthSlider(), 40);
        d.apply();
        // The preview plays the copies; OK comes while it still plays.
        d.togglePlay();
        EXPECT_EQ(d.playButton()->GetLabel(), "Stop");
        EXPECT_EQ(dlg->playbackEngine()->playMode.load(), PlayCutBoostPreview);
        return wxID_OK;
    });
    dlg->onCutBoost();
    EXPECT_EQ(dlg->playbackEngine()->playMode.load(), PlayIdle);
    EXPECT_TRUE(dlg->undoAvailable);
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_EQ(dlg->cutBoostFreqPos, 82);
    EXPECT_EQ(dlg->cutBoostWidthPos, 40);
    // A -12 dB cut at the tone's own frequency: the level falls by about that.
    auto energy = [](const std::vector<int16_t>& s) {
        double e = 0;
        for (size_t i = 2000; i < 10000; ++i)
            e += double(s[i]) * s[i];
        return e;
    };
    EXPECT_LT(energy(dlg->doc.samples[0]), energy(original[0]) * 0.15);
    dlg->onUndo();
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
}

TEST_F(CutBoostWindowTest, FftOptionsFromTheDialogMoveTheSustainSpectrum)
{
    load(132300);
    uitest::AnswerDialog<CFftOptionsDlg> options([&](CFftOptionsDlg& d) {
        d.startEdit()->ChangeValue("2000");
        d.windowCombo()->SetSelection(6);
        return pressOk(d);
    });
    uitest::AnswerDialog<CCutBoostDlg> answer([&](CCutBoostDlg& d) {
        d.openFftOptions();
        EXPECT_EQ(d.labelText(CCutBoostDlg::IDC_ATTACK_SIZE), "(8. K)");
        EXPECT_EQ(d.labelText(CCutBoostDlg::IDC_SUSTAIN_SIZE), "(32. K)");
        EXPECT_EQ(d.sustainView()->frameStart(), 88200);
        EXPECT_EQ(d.sustainStrip()->stretchFirst(), 88200);
        EXPECT_EQ(d.sustainStrip()->stretchLast(), 88200 + 32768);
        EXPECT_EQ(d.attackStrip()->stretchLast(), 8192);
        EXPECT_EQ(d.freqSlider()->GetMax(), 32768 / 2 - 1);
        return wxID_CANCEL;
    });
    dlg->onCutBoost();
    EXPECT_EQ(options.shown, 1);
    // The window's settings stay; the sound does not change.
    EXPECT_EQ(dlg->doc.fftSizeExp, 5);
    EXPECT_EQ(dlg->doc.samples[0], original[0]);
}

TEST_F(CutBoostWindowTest, ShortSoundsKeepTheirWindowsInsideAndTheirStripsSpread)
{
    // 900 frames: shorter than the smallest window the dialog offers. It
    // loads after the short-sound warning.
    open(writeWave("short", 900), {MessageAnswer::Ok});
    ASSERT_TRUE(dlg->doc.isLoaded());
    uitest::AnswerDialog<CFftOptionsDlg> options([&](CFftOptionsDlg& d) {
        EXPECT_EQ(d.largestStartMs, 0);
        EXPECT_EQ(d.startSpin()->maximum(), 0);
        d.startEdit()->ChangeValue("5000"); // past the end, yet within 0 .. 60000
        return pressOk(d);
    });
    uitest::AnswerDialog<CCutBoostDlg> answer([&](CCutBoostDlg& d) {
        d.openFftOptions();
        const int32_t start = d.sustainView()->frameStart();
        EXPECT_GE(start, 0);
        EXPECT_LT(start + d.sustainView()->frameSize(), 900);
        EXPECT_GE(d.sustainView()->frameSize(), 128);
        // Fewer frames than pixels: the strips still spread the sound over
        // their whole width, and mark the window where it lies.
        const WaveformColumns& columns = d.sustainStrip()->columns();
        EXPECT_GT(columns.width, 0);
        if (columns.width <= 0)
            return wxID_CANCEL;
        EXPECT_NEAR(columns.samplesPerPixel, 900.0 / columns.width, 1e-12);
        EXPECT_GT(d.sustainStrip()->stretchLeft(), columns.width / 2);
        EXPECT_LE(d.sustainStrip()->stretchRight(), columns.width);
        EXPECT_NE(columns.minY[0][columns.width / 4], columns.centreY[0]);
        return wxID_CANCEL;
    });
    dlg->onCutBoost();
    EXPECT_EQ(options.shown, 1);
}
