// New by FFT mixing driven through the main window: the dialog is answered
// by scripts that load, mix, audition and close it.

#include "main_window_fixture.h"

#include "mixing/ui/CFftMixingDlg.h"
#include "playback/PlaybackEngine.h"
#include "views/ui/COverviewStrip.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/textctrl.h>
#include <wx/modalhook.h>

#include <functional>

namespace {

template <class D>
class Answer : public wxModalDialogHook {
public:
    explicit Answer(std::function<int(D&)> script) : script_(std::move(script)) { Register(); }
    ~Answer() override { Unregister(); }
    int shown = 0;

protected:
    int Enter(wxDialog* dialog) override
    {
        auto* d = dynamic_cast<D*>(dialog);
        if (!d)
            return wxID_NONE;
        ++shown;
        return script_(*d);
    }
    void Exit(wxDialog*) override {}

private:
    std::function<int(D&)> script_;
};

} // namespace

class MixingWindowTest : public MainWindowTest {
protected:
    // A mono tone of f0 with two harmonics, one second at 44100 Hz; a zero
    // amplitude makes it silent.
    std::string writeTone(const std::string& name, double f0, double amplitude = 0.4)
    {
        wavbytes::WavLayout w;
        std::vector<int16_t> s(44100);
        for (int i = 0; i < 44100; ++i)
            s[i] = static_cast<int16_t>(32767 * amplitude *
                                        (std::sin(2 * M_PI * f0 * i / 44100) + 0.5 * std::sin(4 * M_PI * f0 * i / 44100)) /
                                        1.5);
        w.data = wavbytes::pcm16(s);
        const std::string path = folder + "/" + name + ".wav";
        EXPECT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
        return path;
    }
};

TEST_F(MixingWindowTest, NewReplacesTheSoundAndUndoBringsItBackWhole)
{
    // A stereo sound with unsaved changes is in the window.
    open(writeWave("stereo", 30000, 2));
    ASSERT_EQ(dlg->doc.channels, 2);
    const std::vector<int16_t> left = dlg->doc.samples[0];
    const std::vector<int16_t> right = dlg->doc.samples[1];
    dlg->doc.isSaved = false;
    const std::string low = writeTone("low", 220.0);
    const std::string high = writeTone("high", 440.0);

    Answer<CFftMixingDlg> answer([&](CFftMixingDlg& d) {
        EXPECT_FALSE(d.mixButton()->IsEnabled());
        EXPECT_FALSE(d.okButton()->IsEnabled());
        EXPECT_TRUE(d.loadSound(0, low));
        EXPECT_FALSE(d.mixButton()->IsEnabled()); // one sound is not enough
        EXPECT_TRUE(d.loadSound(1, high));
        EXPECT_EQ(d.labelText(CFftMixingDlg::IDC_NOTE1), "A3 (57)");
        EXPECT_EQ(d.labelText(CFftMixingDlg::IDC_NOTE2), "A4 (69)");
        // The geometric mean of 220 and 440 Hz, 311.1 Hz, is note 63.
        EXPECT_EQ(d.destinationChoice()->GetSelection(), 63);
        EXPECT_EQ(d.labelText(CFftMixingDlg::IDC_DEST_FREQUENCY), "311.127 Hz");
        EXPECT_EQ(d.labelText(CFftMixingDlg::IDC_ORDINAL), "th harmonic"); // 16
        d.harmonicsEdit()->SetValue("21");
        EXPECT_EQ(d.labelText(CFftMixingDlg::IDC_ORDINAL), "st harmonic");
        EXPECT_TRUE(d.mixButton()->IsEnabled());
        d.mix();
        EXPECT_FALSE(d.mixButton()->IsEnabled());
        EXPECT_TRUE(d.okButton()->IsEnabled());
        EXPECT_EQ(d.resultStrip()->columns().frameCount, dlg->mixResult.frameCount);
        // 220 Hz brought up to 311 Hz needs 44100 * 2^(6/12) = 62367 Hz, more
        // than "48.000" allows.
        EXPECT_EQ(d.destinationRate(), 48000);

        // Play Mix plays mode 11 at the destination rate; a second press stops.
        d.togglePlay(2);
        EXPECT_EQ(d.playing(), PlayMixResult);
        EXPECT_EQ(d.playMixButton()->GetLabel(), "Stop");
        EXPECT_EQ(dlg->playbackEngine()->playbackRate(), d.destinationRate());
        d.togglePlay(2);
        EXPECT_EQ(d.playing(), 0);

        uitest::ScriptedMessages boxes({MessageAnswer::No});
        const bool closes = d.confirmOk();
        EXPECT_EQ(boxes.asked.size(), 1u);
        if (!boxes.asked.empty()) {
            EXPECT_EQ(boxes.asked[0].text, "Do you want to save changes to stereo.wav?");
        }
        return closes ? wxID_OK : wxID_CANCEL;
    });
    dlg->onNewMix();
    ASSERT_EQ(answer.shown, 1);

    SampleBuffer& doc = dlg->doc;
    EXPECT_EQ(doc.channels, 1);
    EXPECT_EQ(doc.sampleRate, dlg->mixResult.sampleRate);
    EXPECT_EQ(doc.sampleCount, dlg->mixResult.frameCount);
    EXPECT_TRUE(doc.fileTitle.empty());
    EXPECT_FALSE(doc.isSaved);
    EXPECT_TRUE(enabled(ID_SAVE));
    EXPECT_EQ(dlg->GetTitle(), "Ringtide - []");
    EXPECT_EQ(dlg->mixSettings.equalizeUntil, 21);
    EXPECT_EQ(dlg->mixSettings.name[1], "high.wav");
    // The pitch of the mix lies at the destination note.
    EXPECT_NEAR(doc.pitchHz, 311.127, 311.127 * 0.01);

    dlg->onUndo();
    EXPECT_EQ(doc.channels, 2);
    EXPECT_EQ(doc.sampleRate, 44100);
    ASSERT_EQ(doc.sampleCount, 30000);
    EXPECT_TRUE(std::equal(left.begin(), left.end(), doc.samples[0].begin()));
    EXPECT_TRUE(std::equal(right.begin(), right.end(), doc.samples[1].begin()));
}

TEST_F(MixingWindowTest, RefusedAndSilentLoadsKeepMixOff)
{
    const std::string good = writeTone("good", 220.0);
    const std::string silent = writeTone("silent", 220.0, 0.0);
    wavbytes::WavLayout shortFile;
    shortFile.data = wavbytes::pcm16(std::vector<int16_t>(1399, 1000));
    const std::string tooShort = folder + "/short.wav";
    ASSERT_TRUE(wavbytes::writeFile(tooShort, wavbytes::build(shortFile)));

    Answer<CFftMixingDlg> answer([&](CFftMixingDlg& d) {
        EXPECT_TRUE(d.loadSound(0, good));
        {
            uitest::ScriptedMessages boxes({MessageAnswer::Ok});
            EXPECT_FALSE(d.loadSound(1, tooShort));
            EXPECT_EQ(boxes.asked.at(0).text,
                      "The number of samples must be at least 1400 to allow the functions to work properly.");
        }
        EXPECT_FALSE(dlg->mixInputs[1].loaded()); // nothing half-read
        {
            uitest::ScriptedMessages boxes({MessageAnswer::Ok});
            EXPECT_TRUE(d.loadSound(1, silent));
            EXPECT_EQ(boxes.asked.size(), 1u); // no pitch: the user is told
        }
        EXPECT_FALSE(d.mixButton()->IsEnabled());
        d.mix(); // refused without a pitch
        EXPECT_FALSE(d.okButton()->IsEnabled());
        // A later failed load leaves the loaded sound as it was.
        {
            uitest::ScriptedMessages boxes({MessageAnswer::Ok});
            EXPECT_FALSE(d.loadSound(0, tooShort));
        }
        EXPECT_EQ(dlg->mixInputs[0].name, "good.wav");
        return wxID_CANCEL;
    });
    dlg->onNewMix();
    EXPECT_FALSE(dlg->doc.isLoaded());
    // Cancel stores no settings: the next opening starts from nothing.
    EXPECT_TRUE(dlg->mixSettings.path[0].empty());
}

// The next opening after a mix shows no mix it could not accept: the strip
// is empty and Play Mix and OK wait for a new Mix, which the reloaded inputs
// allow.
TEST_F(MixingWindowTest, ReopeningShowsNoStaleMix)
{
    const std::string low = writeTone("low", 220.0);
    const std::string high = writeTone("high", 330.0);
    {
        Answer<CFftMixingDlg> first([&](CFftMixingDlg& d) {
            EXPECT_TRUE(d.loadSound(0, low));
            EXPECT_TRUE(d.loadSound(1, high));
            d.mix();
            return d.confirmOk() ? wxID_OK : wxID_CANCEL;
        });
        dlg->onNewMix();
    }
    ASSERT_TRUE(dlg->doc.isLoaded());
    Answer<CFftMixingDlg> again([&](CFftMixingDlg& d) {
        EXPECT_EQ(d.resultStrip()->columns().frameCount, 0);
        EXPECT_FALSE(d.playMixButton()->IsEnabled());
        EXPECT_FALSE(d.okButton()->IsEnabled());
        EXPECT_TRUE(d.mixButton()->IsEnabled());
        return wxID_CANCEL;
    });
    dlg->onNewMix();
    EXPECT_EQ(again.shown, 1);
}
