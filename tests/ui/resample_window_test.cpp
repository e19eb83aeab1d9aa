// Resample, Pitch shift, Change sample rate and Tune driven through the main
// window and their dialogs.

#include "main_window_fixture.h"
#include "processing/ui/CChangeSampleRateDlg.h"
#include "processing/ui/CPitchShiftDlg.h"
#include "processing/ui/CResampleDlg.h"

#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <functional>

namespace {

// OK pressed with `text` in the combo: the dialog closes only if it accepts.
int typeRate(CResampleDlg& d, const char* text)
{
    d.rateCombo()->SetValue(text);
    return d.TransferDataFromWindow() ? wxID_OK : wxID_CANCEL;
}

std::string label(wxStaticText* text)
{
    return text->GetLabel().ToStdString();
}

} // namespace

class ResampleWindowTest : public MainWindowTest {
protected:
    void resampleTo(const char* text)
    {
        uitest::AnswerDialog<CResampleDlg> answer([text](CResampleDlg& d) { return typeRate(d, text); });
        dlg->onResample();
        ASSERT_EQ(answer.shown, 1);
    }
    int midiNote() const { return static_cast<wxChoice*>(dlg->control(ID_MIDI_NOTE))->GetSelection(); }
};

TEST_F(ResampleWindowTest, ResampleConvertsTheSoundAndUndoBringsItBack)
{
    open(writeWave("tone", 44100, 1, wavbytes::SamplerLoop{0, 1001, 30000}));
    ASSERT_EQ(dlg->doc.loops.loopStart[0], 1000);
    ASSERT_EQ(dlg->doc.loops.loopEnd[0], 30000);
    const double pitch = dlg->doc.pitchHz;
    const int beeps = shell_hook::beepCount();
    {
        uitest::AnswerDialog<CResampleDlg> answer([](CResampleDlg& d) {
            // No rate accepted yet: the sound's own, grouped.
            EXPECT_EQ(d.rateCombo()->GetValue(), "44.100");
            EXPECT_EQ(d.rateCombo()->GetCount(), 7u);
            EXPECT_EQ(d.rateCombo()->GetString(6), "11025");
            return typeRate(d, "48.000");
        });
        dlg->onResample();
    }

    EXPECT_EQ(dlg->doc.sampleCount, 48000);
    EXPECT_EQ(dlg->doc.sampleRate, 48000);
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "48.000 Hz; 16 bit; Mono");
    EXPECT_EQ(dlg->text(ID_DURATION_TEXT), "1000 ms");
    EXPECT_EQ(dlg->doc.loops.loopStart[0], 1088);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], 32653);
    // 1088 / 48000 s and 31565 / 48000 s.
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), "23 ms");
    EXPECT_EQ(dlg->text(ID_LOOP_LENGTH_TEXT), "658 ms");
    // Pitch and duration stay.
    EXPECT_NEAR(dlg->doc.pitchHz, pitch, pitch * 0.005);
    EXPECT_EQ(shell_hook::beepCount(), beeps + 1);
    EXPECT_TRUE(menuEnabled(ID_SAVE));
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_TRUE(dlg->undoAvailable);

    dlg->onUndo();
    EXPECT_EQ(dlg->doc.sampleCount, 44100);
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "44.100 Hz; 16 bit; Mono");
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], 30000);

    // The next opening proposes the rate last accepted.
    uitest::AnswerDialog<CResampleDlg> again([](CResampleDlg& d) {
        EXPECT_EQ(d.rateCombo()->GetValue(), "48.000");
        return wxID_CANCEL;
    });
    dlg->onResample();
    EXPECT_EQ(dlg->doc.sampleCount, 44100);
}

TEST_F(ResampleWindowTest, ResampleRefusesBadRatesAndChangesNothingAtTheSameRate)
{
    open(writeWave("tone", 20000));
    {
        // Each refusal keeps the dialog open; the last text is accepted.
        uitest::ScriptedMessages boxes({MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok, MessageAnswer::Ok});
        uitest::AnswerDialog<CResampleDlg> answer([](CResampleDlg& d) {
            for (const char* bad : {"-5", "abc", "0", "1000000"})
                EXPECT_EQ(typeRate(d, bad), wxID_CANCEL) << bad;
            return typeRate(d, "44100 Hz");
        });
        dlg->onResample();
        ASSERT_EQ(boxes.asked.size(), 4u);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(boxes.asked[i].text, "Please enter a positive number.");
        EXPECT_EQ(boxes.asked[3].text, "The sample rate must be between 1 and 768.000 Hz.");
    }
    // The sound's own rate: nothing converted, no snapshot, but remembered.
    EXPECT_FALSE(dlg->undoAvailable);
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_EQ(dlg->lastResampleRate, 44100);

    // 20000 frames down to 1 Hz would leave nothing.
    uitest::ScriptedMessages boxes({MessageAnswer::Ok});
    resampleTo("1");
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, "The resampled sound would be shorter than 128 samples.");
    EXPECT_EQ(dlg->doc.sampleCount, 20000);
    EXPECT_EQ(dlg->doc.sampleRate, 44100);
    EXPECT_FALSE(dlg->undoAvailable);
}

TEST_F(ResampleWindowTest, PitchShiftAnOctaveHalvesTheSoundAndDoublesThePitch)
{
    open(writeWave("tone", 44100));
    const double pitch = dlg->doc.pitchHz;
    const int note = midiNote();
    const int beeps = shell_hook::beepCount();
    {
        uitest::AnswerDialog<CPitchShiftDlg> answer([](CPitchShiftDlg& d) {
            EXPECT_EQ(d.sliders().semitoneSlider()->GetValue(), 0);
            uitest::moveSlider(d.sliders().semitoneSlider(), 12);
            EXPECT_EQ(label(d.sliders().semitoneLabel()), "12");
            EXPECT_EQ(label(d.sliders().centsLabel()), "0.");
            return wxID_OK;
        });
        dlg->onPitchShift();
    }
    EXPECT_EQ(dlg->doc.sampleCount, 22050);
    EXPECT_EQ(dlg->doc.sampleRate, 44100);
    EXPECT_NEAR(dlg->doc.pitchHz, 2 * pitch, pitch * 0.01);
    EXPECT_EQ(midiNote(), note + 12);
    EXPECT_EQ(dlg->text(ID_DURATION_TEXT), "500 ms");
    EXPECT_EQ(shell_hook::beepCount(), beeps + 1);
    EXPECT_EQ(dlg->shiftSemitones, 12);

    // The dialog reopens at the interval last accepted; -3.7 cents down
    // and 0 semitones still pass the sound through the filter.
    dlg->onUndo();
    uitest::AnswerDialog<CPitchShiftDlg> again([](CPitchShiftDlg& d) {
        EXPECT_EQ(d.sliders().semitoneSlider()->GetValue(), 12);
        uitest::moveSlider(d.sliders().semitoneSlider(), 0);
        uitest::moveSlider(d.sliders().centsSlider(), -37);
        EXPECT_EQ(label(d.sliders().centsLabel()), "-3.7");
        return wxID_OK;
    });
    const std::vector<int16_t> before = dlg->doc.samples[0];
    dlg->onPitchShift();
    EXPECT_TRUE(dlg->undoAvailable);
    EXPECT_FLOAT_EQ(dlg->shiftCents, -3.7f);
    // 44100 * 2^(-3.7/1200) = 44005.9 -> 44006 Hz converted to 44100.
    EXPECT_EQ(dlg->doc.sampleCount, 44194);
    EXPECT_NE(std::vector<int16_t>(dlg->doc.samples[0].begin(), dlg->doc.samples[0].begin() + 44100), before);
}

TEST_F(ResampleWindowTest, ChangeSampleRateLinksTheFieldAndTheSliders)
{
    CChangeSampleRateDlg d(nullptr, 44100);
    d.InitDialog();
    const TranspositionSliders& s = d.sliders();
    EXPECT_EQ(d.rateField()->GetValue(), "44.100");

    // 100 positions of 0.1 cent: 44100 * 2^(10/1200) = 44355.5.
    uitest::moveSlider(s.centsSlider(), 100);
    EXPECT_EQ(d.rateField()->GetValue(), "44.355");
    EXPECT_EQ(label(s.centsLabel()), "10.");
    EXPECT_EQ(d.newRate, 44355);

    d.rateField()->SetValue("88200");
    EXPECT_EQ(s.semitoneSlider()->GetValue(), 12);
    EXPECT_EQ(s.centsSlider()->GetValue(), 0);
    EXPECT_EQ(label(s.semitoneLabel()), "12");
    EXPECT_EQ(d.rateField()->GetValue(), "88200"); // the field keeps what was typed
    EXPECT_EQ(d.newRate, 88200);

    {
        uitest::ScriptedMessages boxes({MessageAnswer::Ok});
        d.rateField()->SetValue("abc");
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].text, "Please enter a positive number.");
        EXPECT_EQ(d.rateField()->GetValue(), "88200");
        EXPECT_EQ(d.newRate, 88200);
    }

    // -2955.2 cents: -30 semitones and 44.8 cents, the slider at its end.
    d.rateField()->SetValue("8.000");
    EXPECT_EQ(s.semitoneSlider()->GetValue(), -24);
    EXPECT_EQ(s.centsSlider()->GetValue(), 448);
    EXPECT_EQ(label(s.semitoneLabel()), "-30");
    EXPECT_EQ(label(s.centsLabel()), "44.8");

    // A rate no file may carry is refused at OK.
    d.rateField()->SetValue("1000000");
    uitest::ScriptedMessages boxes({MessageAnswer::Ok});
    EXPECT_FALSE(d.TransferDataFromWindow());
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, "The sample rate must be between 1 and 768.000 Hz.");
}

TEST_F(ResampleWindowTest, ChangeSampleRateAndTuneRelabelTheSamples)
{
    // 11 periods of 220 Hz (MIDI note 57) are exactly 2205 frames at 44100 Hz.
    open(writeWave("tone", 44100, 1, wavbytes::SamplerLoop{0, 10001, 12205}));
    ASSERT_EQ(midiNote(), 57);
    const std::vector<int16_t> samples = dlg->doc.samples[0];
    const double pitch = dlg->doc.pitchHz;
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Ok});
        dlg->onTune();
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].text, "tone is already tuned.");
    }
    EXPECT_FALSE(dlg->undoAvailable);

    {
        uitest::AnswerDialog<CChangeSampleRateDlg> answer([](CChangeSampleRateDlg& d) {
            d.rateField()->SetValue("88.200");
            return wxID_OK;
        });
        dlg->onChangeSampleRate();
    }
    EXPECT_EQ(dlg->doc.sampleRate, 88200);
    EXPECT_EQ(dlg->doc.samples[0], samples);
    EXPECT_DOUBLE_EQ(dlg->doc.pitchHz, 2 * pitch);
    EXPECT_EQ(midiNote(), 57 + 12);
    EXPECT_EQ(dlg->text(ID_DURATION_TEXT), "500 ms");
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "88.200 Hz; 16 bit; Mono");
    EXPECT_TRUE(dlg->undoAvailable);
    EXPECT_FALSE(dlg->doc.isSaved);

    // Back at 44100 with the target a semitone higher, the loop is out of
    // tune: Tune relabels the rate, and Undo restores it.
    dlg->onUndo();
    ASSERT_EQ(dlg->doc.sampleRate, 44100);
    static_cast<wxChoice*>(dlg->control(ID_MIDI_NOTE))->SetSelection(58);
    dlg->onMidiNoteChanged();
    dlg->onTune();
    // The target is an equal-tempered semitone up, 2^(1/12), and the interval
    // from the detected note is kept just, a period 16 / 15 as long:
    // 44100 * 2^(1/12) * 15 / 16 = 43802.2.
    EXPECT_NEAR(dlg->doc.sampleRate, 43802, 2);
    EXPECT_EQ(dlg->doc.samples[0], samples);
    dlg->onUndo();
    EXPECT_EQ(dlg->doc.sampleRate, 44100);

    // Without a loop there is nothing to tune.
    dlg->doc.loops.clear();
    uitest::ScriptedMessages boxes({MessageAnswer::Ok});
    dlg->onTune();
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, "There must be a loop selected.");
}
