// The manual pitch dialog (sliders, clicks, arrow keys, read-outs) and the
// two commands of the main window that retune without touching a sample:
// manual pitch detection and the BPM machine.

#include "main_window_fixture.h"

#include "document/format.h"
#include "dsp/ui/CManualPitchDlg.h"
#include "loop/ui/CBpmMachineDlg.h"
#include "views/ui/CManualPitchView.h"

#include <wx/choice.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kFrame = 16384; // N at the default FFT size

std::string label(const wxStaticText* t) { return t->GetLabel().ToStdString(); }

// R * bin / N with 6 significant digits, as the read-outs show it.
std::string hzText(double bin) { return formatSignificant(kRate * bin / kFrame, 6) + " Hz"; }

// Tones of `hz` with harmonics 1..4 at falling levels, one per channel.
std::vector<int16_t> harmonicTone(int frames, double hz)
{
    std::vector<int16_t> x(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        double v = 0;
        for (int h = 1; h <= 4; ++h)
            v += std::sin(2 * M_PI * hz * h * i / kRate) / h;
        x[static_cast<size_t>(i)] = static_cast<int16_t>(9000 * v);
    }
    return x;
}

} // namespace

TEST(ManualPitchDialog, ClicksChooseTheChannelByHalfAndArrowsStepOneBin)
{
    const std::vector<int16_t> left = harmonicTone(40000, 220.0);
    const std::vector<int16_t> right = harmonicTone(40000, 330.0);
    ManualPitchSound sound;
    sound.channels = 2;
    sound.samples[0] = left.data();
    sound.samples[1] = right.data();
    sound.sampleCount = 40000;
    sound.sampleRate = kRate;
    sound.frameSize = kFrame;
    sound.startSample = 13200;
    const double start[2] = {220.0 * kFrame / kRate, 330.0 * kFrame / kRate}; // 81.73, 122.6
    CManualPitchDlg dlg(nullptr, sound, start);
    dlg.Show();
    dlg.InitDialog();
    ASSERT_TRUE(uitest::pumpUntil([&] { return dlg.IsShownOnScreen(); }));
    EXPECT_EQ(dlg.GetTitle(), "Manual pitch detection");
    EXPECT_EQ(dlg.slider(0)->GetMax(), kFrame / 2 - 1);
    EXPECT_EQ(dlg.slider(0)->GetPageSize(), 100);
    EXPECT_EQ(dlg.slider(0)->GetValue(), 82);
    EXPECT_EQ(dlg.slider(1)->GetValue(), 123);
    EXPECT_TRUE(dlg.slider(1)->IsEnabled());
    EXPECT_EQ(label(dlg.frequencyText(0)), hzText(82));
    EXPECT_EQ(label(dlg.noteText(0)), "(A3 )"); // 220.7 Hz is note 57
    EXPECT_EQ(label(dlg.noteText(1)), "(E4 )"); // 330.5 Hz is note 64

    // A click in the lower half moves channel 2 only, to the bin under it.
    const wxSize size = dlg.view()->GetClientSize();
    const double binsPerColumn = (kFrame / 2.0) / size.x;
    const int x = size.x / 3;
    dlg.view()->leftDown(x, size.y * 3 / 4);
    const int chosen = static_cast<int>(x * binsPerColumn + 0.5);
    EXPECT_EQ(dlg.slider(1)->GetValue(), chosen);
    EXPECT_EQ(dlg.bins[1], chosen);
    EXPECT_EQ(label(dlg.frequencyText(1)), hzText(chosen));
    EXPECT_EQ(dlg.slider(0)->GetValue(), 82);

    // A click in the upper half on the tallest column (the 220 Hz
    // fundamental) moves channel 1 there, and its marker is painted on that
    // column.
    dlg.view()->renderBitmap(); // the columns come with the first paint
    const std::vector<int32_t>& columns = dlg.view()->model().columns(0);
    const int peak = static_cast<int>(std::max_element(columns.begin(), columns.end()) - columns.begin());
    ASSERT_LE(std::floor(peak * binsPerColumn + 0.5), 81.73);
    ASSERT_GT(std::floor((peak + 1) * binsPerColumn + 0.5), 81.73);
    dlg.view()->leftDown(peak, size.y / 4);
    EXPECT_NEAR(dlg.bins[0], 81.73, binsPerColumn);
    const wxImage picture = dlg.view()->renderBitmap().ConvertToImage();
    EXPECT_GT(uitest::countColour(picture.GetSubImage(wxRect(peak, 0, 1, size.y / 2)), 200, 0, 64), 5u);
    EXPECT_EQ(uitest::countColour(picture.GetSubImage(wxRect(0, 0, peak, size.y / 2)), 200, 0, 64), 0u);

    // An arrow key: one bin, R / N Hz, with the text following at once.
    uitest::moveSlider(dlg.slider(0), 500);
    dlg.slider(0)->SetFocus();
    uitest::pumpFor(100);
    wxUIActionSimulator sim;
    sim.Char(WXK_RIGHT);
    ASSERT_TRUE(uitest::pumpUntil([&] { return dlg.slider(0)->GetValue() != 500; }));
    const int moved = dlg.slider(0)->GetValue();
    EXPECT_EQ(std::abs(moved - 500), 1);
    EXPECT_EQ(dlg.bins[0], moved);
    EXPECT_EQ(label(dlg.frequencyText(0)), hzText(moved));
    EXPECT_NE(label(dlg.frequencyText(0)), hzText(500));

    // Position 0: 0 Hz, note 0.
    uitest::moveSlider(dlg.slider(0), 0);
    EXPECT_EQ(label(dlg.frequencyText(0)), "0. Hz");
    EXPECT_EQ(label(dlg.noteText(0)), "(C-1)");
    uitest::pumpFor(20);
}

TEST(ManualPitchDialog, MonoHasOneSliderAndClicksAlwaysMoveIt)
{
    const std::vector<int16_t> x = harmonicTone(20000, 440.0);
    ManualPitchSound sound;
    sound.channels = 1;
    sound.samples[0] = x.data();
    sound.sampleCount = 20000;
    sound.sampleRate = kRate;
    sound.frameSize = kFrame;
    const double start[2] = {163.4, 0.0};
    CManualPitchDlg dlg(nullptr, sound, start);
    dlg.InitDialog();
    EXPECT_FALSE(dlg.slider(1)->IsEnabled());
    EXPECT_FALSE(dlg.frequencyText(1)->IsEnabled());
    EXPECT_FALSE(dlg.noteText(1)->IsEnabled());
    EXPECT_FALSE(dlg.FindWindow(CManualPitchDlg::IDC_PITCH_LABEL2)->IsEnabled());
    const wxSize size = dlg.view()->GetClientSize();
    dlg.view()->leftDown(10, size.y - 2);
    EXPECT_EQ(dlg.slider(0)->GetValue(), static_cast<int>(10 * (kFrame / 2.0) / size.x + 0.5));
}

class PitchBpmWindowTest : public MainWindowTest {
protected:
    std::string writeTone(const std::string& name, double hz, std::optional<wavbytes::SamplerLoop> loop = {})
    {
        wavbytes::WavLayout w;
        w.sampleRate = kRate;
        w.data = wavbytes::pcm16(harmonicTone(60000, hz));
        w.loop = loop;
        const std::string path = folder + "/" + name + ".wav";
        EXPECT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
        return path;
    }

    void drop(const std::string& path)
    {
        // The event owns the array and frees it with delete[].
        auto* files = new wxString[1]{wxString::FromUTF8(path)};
        wxDropFilesEvent event(wxEVT_DROP_FILES, 1, files);
        event.SetEventObject(dlg.get());
        dlg->GetEventHandler()->ProcessEvent(event);
    }

    // A one-second loop: smpl 1000 .. 45099 is the loop (999, 45099).
    static wavbytes::SamplerLoop oneSecond() { return wavbytes::SamplerLoop{0, 1000, 45099}; }
};

TEST_F(PitchBpmWindowTest, ManualChoiceBecomesThePitchAndOnlyBigMovesRestartProfiles)
{
    open(writeTone("tone", 220.0));
    ASSERT_NEAR(dlg->doc.pitchHz, 220.0, 2.0);

    // The dialog opens on the current pitch; choosing the octave above
    // makes the detector settle on 440 Hz (harmonics 2 and 4).
    uitest::AnswerDialog<CManualPitchDlg> answer([](CManualPitchDlg& d) {
        EXPECT_EQ(d.slider(0)->GetValue(), 82); // 220 Hz is bin 81.7
        uitest::moveSlider(d.slider(0), 163);           // 438.7 Hz
        return wxID_OK;
    });
    dlg->onManualPitch();
    EXPECT_EQ(answer.shown, 1);
    EXPECT_NEAR(dlg->doc.pitchHz, 440.0, 2.0);
    EXPECT_EQ(dlg->text(ID_PITCH_TEXT), formatSignificant(dlg->doc.pitchHz, 6) + " Hz");
    EXPECT_EQ(dlg->doc.midiNote, 69);
    EXPECT_EQ(static_cast<wxChoice*>(dlg->control(ID_MIDI_NOTE))->GetSelection(), 69);
    // Nothing to undo or save: the samples did not change.
    EXPECT_FALSE(dlg->undoAvailable);
    EXPECT_TRUE(dlg->doc.isSaved);

    // Back an octave restarts the profiles; a choice within 5 % does not.
    const double octaveDown[2] = {82.0, 0.0};
    EXPECT_TRUE(dlg->applyManualPitch(octaveDown));
    EXPECT_NEAR(dlg->doc.pitchHz, 220.0, 2.0);
    const double near[2] = {84.0, 0.0}; // 226 Hz: refined back onto 220
    EXPECT_FALSE(dlg->applyManualPitch(near));
    EXPECT_NEAR(dlg->doc.pitchHz, 220.0, 2.0);
}

TEST_F(PitchBpmWindowTest, BpmProposalKeepsAOneSecondLoopAndOnlyOpenForgetsTheSettings)
{
    const std::string path = writeTone("loop", 220.0, oneSecond());
    open(path);
    ASSERT_TRUE(dlg->isMenuItemEnabled(ID_BPM_SET));
    auto acceptProposal = [](CBpmMachineDlg& d) {
        EXPECT_EQ(d.GetTitle(), "BPM Machine");
        EXPECT_EQ(d.beatsEdit()->GetValue(), "4");
        EXPECT_EQ(d.beatValueList()->GetStringSelection(), "4");
        EXPECT_EQ(d.measuresEdit()->GetValue(), "1");
        EXPECT_EQ(d.tempoEdit()->GetValue(), "240");
        EXPECT_TRUE(uitest::pressOk(d));
        return wxID_OK;
    };
    {
        uitest::AnswerDialog<CBpmMachineDlg> answer(acceptProposal);
        dlg->onBpmSet();
        EXPECT_EQ(answer.shown, 1);
    }
    EXPECT_EQ(dlg->doc.sampleRate, kRate);
    EXPECT_FALSE(dlg->undoAvailable);
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_TRUE(dlg->bpmSettings.isSet());

    // A drop keeps the settings: the dialog reopens with them.
    drop(path);
    EXPECT_TRUE(dlg->bpmSettings.isSet());
    {
        uitest::AnswerDialog<CBpmMachineDlg> answer([](CBpmMachineDlg& d) {
            d.beatValueList()->SetSelection(1);
            EXPECT_TRUE(uitest::pressOk(d));
            return wxID_CANCEL; // Cancel: nothing is remembered
        });
        dlg->onBpmSet();
    }
    EXPECT_EQ(dlg->bpmSettings.beatValueIndex, 0);

    // Open forgets them, so the proposal comes back.
    open(path);
    EXPECT_FALSE(dlg->bpmSettings.isSet());
    uitest::AnswerDialog<CBpmMachineDlg> answer(acceptProposal);
    dlg->onBpmSet();
    EXPECT_EQ(answer.shown, 1);
}

TEST_F(PitchBpmWindowTest, BpmChangesTheRateThePitchAndTheReadoutsUndoably)
{
    open(writeTone("loop", 220.0, oneSecond()));
    const double pitch = dlg->doc.pitchHz;
    const std::vector<int16_t> samples = dlg->doc.samples[0];
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Ok, MessageAnswer::Ok});
        uitest::AnswerDialog<CBpmMachineDlg> answer([](CBpmMachineDlg& d) {
            d.beatsEdit()->ChangeValue("0");
            EXPECT_FALSE(uitest::pressOk(d));
            d.beatsEdit()->ChangeValue("4");
            d.tempoEdit()->ChangeValue("400.5");
            EXPECT_FALSE(uitest::pressOk(d));
            d.tempoEdit()->ChangeValue("240");
            d.measuresEdit()->ChangeValue("2");
            EXPECT_TRUE(uitest::pressOk(d));
            return wxID_OK;
        });
        dlg->onBpmSet();
        ASSERT_EQ(boxes.asked.size(), 2u);
        EXPECT_EQ(boxes.asked[0].text, "Please enter an integer between 1 and 32.");
        EXPECT_EQ(boxes.asked[1].text, "Please enter a number between 20 and 400.");
    }
    // Two measures of 4/4 at 240 BPM: the 44100-sample loop lasts 2 s.
    EXPECT_EQ(dlg->doc.sampleRate, 22050);
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "22.050 Hz; 16 bit; Mono");
    EXPECT_EQ(dlg->text(ID_DURATION_TEXT), "2721 ms"); // 60000 / 22050 s
    EXPECT_EQ(dlg->text(ID_LOOP_LENGTH_TEXT), "2000 ms");
    EXPECT_DOUBLE_EQ(dlg->doc.pitchHz, pitch / 2);
    EXPECT_EQ(dlg->doc.midiNote, midiNoteOf(pitch) - 12);
    EXPECT_NE(dlg->text(ID_AMPLITUDE_TITLE).find("(" + formatSignificant(pitch / 2, 6) + " Hz)"), std::string::npos);
    EXPECT_EQ(dlg->doc.samples[0], samples);
    EXPECT_TRUE(dlg->undoAvailable);
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_TRUE(dlg->isMenuItemEnabled(ID_SAVE));
    EXPECT_EQ(dlg->bpmSettings.measures, 2);

    // A rate no sound can have is refused and changes nothing.
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Ok});
        uitest::AnswerDialog<CBpmMachineDlg> answer([](CBpmMachineDlg& d) {
            EXPECT_EQ(d.measuresEdit()->GetValue(), "2"); // the stored settings
            d.beatValueList()->SetSelection(1);
            d.beatsEdit()->ChangeValue("1");
            d.measuresEdit()->ChangeValue("1");
            d.tempoEdit()->ChangeValue("400"); // 44100 / 0.05 s = 882000 Hz
            EXPECT_TRUE(uitest::pressOk(d));
            return wxID_OK;
        });
        dlg->onBpmSet();
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].text,
                  "The new sample rate would be 882.000 Hz; it must lie between 1 and 768.000 Hz.");
    }
    EXPECT_EQ(dlg->doc.sampleRate, 22050);
    EXPECT_EQ(dlg->bpmSettings.measures, 2);

    dlg->onUndo();
    EXPECT_EQ(dlg->doc.sampleRate, kRate);
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "44.100 Hz; 16 bit; Mono");
}
