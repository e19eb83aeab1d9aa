// The main window's displays and pitch: what a load shows in the pitch text,
// the MIDI note selector, the spectrum and the waveform; the MIDI note and
// harmonic selectors; Search following the waveform selection; the read-outs.

#include "main_window_fixture.h"

#include "platform/ui/CUpDownCtrl.h"
#include "document/format.h"
#include "document/load_sound.h"
#include "dsp/spectrum_analysis.h"
#include "views/ui/CSpectrumView.h"
#include "views/ui/WaveformView.h"

#include <wx/choice.h>
#include <wx/image.h>
#include <wx/textctrl.h>

#include <cmath>
#include <cstdlib>
#include <string>

namespace {

using uitest::countColour;

} // namespace

class ViewsWindowTest : public MainWindowTest {
protected:
    // A steady tone with harmonics 1..4 (falling 1/h) at fundamentalHz on
    // channel 0 and ratio times that on channel 1.
    std::string writeTone(const std::string& name, double fundamentalHz, int channels = 1, double ratio = 1.0,
                          int frames = 60000, std::optional<wavbytes::SamplerLoop> loop = std::nullopt)
    {
        wavbytes::WavLayout w;
        w.channels = static_cast<uint16_t>(channels);
        std::vector<int16_t> s(static_cast<size_t>(frames) * channels);
        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c) {
                const double f = fundamentalHz * (c == 0 ? 1.0 : ratio);
                double v = 0;
                for (int h = 1; h <= 4; ++h)
                    v += std::sin(2 * M_PI * h * f * i / 44100.0) / h;
                s[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(12000 * v);
            }
        w.data = wavbytes::pcm16(s);
        w.loop = loop;
        const std::string path = folder + "/" + name + ".wav";
        EXPECT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
        return path;
    }

    wxChoice* notes() const { return static_cast<wxChoice*>(dlg->control(ID_MIDI_NOTE)); }

    void chooseNote(int index)
    {
        notes()->SetSelection(index);
        wxCommandEvent event(wxEVT_CHOICE, ID_MIDI_NOTE);
        event.SetEventObject(notes());
        event.SetInt(index);
        notes()->ProcessWindowEvent(event);
    }

    double shownPitch() const { return std::atof(dlg->text(ID_PITCH_TEXT).c_str()); }
};

TEST_F(ViewsWindowTest, LoadingA440HzToneShowsPitchNoteAndBothDisplays)
{
    open(writeTone("a440", 440.0));
    const std::string text = dlg->text(ID_PITCH_TEXT);
    ASSERT_GE(text.size(), 4u);
    EXPECT_EQ(text.substr(text.size() - 3), " Hz");
    EXPECT_NEAR(shownPitch(), 440.0, 0.5);
    EXPECT_EQ(notes()->GetStringSelection(), "A4 (69)");
    EXPECT_EQ(dlg->doc.midiNote, 69);
    EXPECT_EQ(dlg->doc.detectedNote, 69);
    // 31 steps per octave from 8.175798915 Hz: 31 * log2(440 / 8.175798915) = 178.3.
    EXPECT_EQ(dlg->doc.note31, 178);
    EXPECT_TRUE(menuEnabled(ID_HIPASS));
    EXPECT_TRUE(enabled(ID_HIPASS));

    const wxImage spectrum = dlg->spectrum()->renderBitmap().ConvertToImage();
    EXPECT_GT(countColour(spectrum, 128, 128, 196), 40u); // spectrum columns
    EXPECT_GT(countColour(spectrum, 0, 0, 128), 20u);      // harmonic markers
    EXPECT_GT(countColour(spectrum, 200, 0, 64), 2u);      // the selected first harmonic
    const wxImage wave = dlg->waveform()->renderBitmap().ConvertToImage();
    EXPECT_GT(countColour(wave, 0, 0, 128), 500u);
}

// The window's load and the command-line tool's (a plain load, the automatic
// analysis, the pitch update) must report the same pitch and notes.
TEST_F(ViewsWindowTest, WindowAndPlainLoadAgreeOnTheStereoPitch)
{
    const std::string path = writeTone("stereo", 200.0, 2, 1.01);
    open(path);
    SampleBuffer plain;
    ASSERT_TRUE(loadSoundFile(plain, path).loaded);
    SpectrumAnalysis analysis;
    ASSERT_TRUE(analyseSpectrum(plain, nullptr, analysis));
    const PitchUpdate u = updatePitch(plain);
    EXPECT_DOUBLE_EQ(dlg->doc.channelPitch[0], plain.channelPitch[0]);
    EXPECT_DOUBLE_EQ(dlg->doc.channelPitch[1], plain.channelPitch[1]);
    EXPECT_EQ(dlg->text(ID_PITCH_TEXT), u.pitchText);
    EXPECT_EQ(dlg->doc.midiNote, u.detectedNote);
    // Geometric mean of 200 and 202 Hz.
    EXPECT_NEAR(dlg->doc.pitchHz, std::sqrt(200.0 * 202.0), 0.5);
    EXPECT_EQ(dlg->spectrumAnalysis().channels, 2);
}

TEST_F(ViewsWindowTest, CleanLowFrequenciesFollowsThe32HzRule)
{
    open(writeTone("low30", 30.0));
    EXPECT_NEAR(shownPitch(), 30.0, 1.0);
    EXPECT_FALSE(menuEnabled(ID_HIPASS));
    EXPECT_FALSE(enabled(ID_HIPASS));

    open(writeTone("low40", 40.0));
    EXPECT_NEAR(shownPitch(), 40.0, 1.0);
    EXPECT_TRUE(menuEnabled(ID_HIPASS));
    EXPECT_TRUE(enabled(ID_HIPASS));
}

TEST_F(ViewsWindowTest, ChoosingANoteSetsTheRootNoteAndSurvivesARefinement)
{
    open(writeTone("a440", 440.0));
    ASSERT_FALSE(menuEnabled(ID_SAVE));
    chooseNote(60);
    EXPECT_EQ(dlg->doc.midiNote, 60);
    EXPECT_EQ(dlg->doc.detectedNote, 69);
    EXPECT_TRUE(menuEnabled(ID_SAVE));
    EXPECT_TRUE(enabled(ID_SAVE));
    EXPECT_FALSE(dlg->doc.isSaved);

    // The refinement after an edit searches near the current pitch and leaves
    // the note the user chose.
    const std::string before = dlg->text(ID_PITCH_TEXT);
    dlg->detectPitch(true);
    EXPECT_EQ(dlg->doc.midiNote, 60);
    EXPECT_EQ(notes()->GetSelection(), 60);
    EXPECT_EQ(dlg->text(ID_PITCH_TEXT), before);
    EXPECT_NEAR(dlg->doc.channelPitch[0], 440.0, 0.5);

    // A full detection brings the detected note back.
    dlg->detectPitch();
    EXPECT_EQ(dlg->doc.midiNote, 69);
    EXPECT_EQ(notes()->GetStringSelection(), "A4 (69)");
}

TEST_F(ViewsWindowTest, ManualHintsSteerTheAnalysis)
{
    open(writeTone("a440", 440.0));
    // Near 880 Hz only the second harmonic and its multiples are found.
    const double hints[2] = {880.0, 0.0};
    dlg->detectPitchNear(hints);
    EXPECT_NEAR(dlg->doc.pitchHz, 880.0, 2.0);
    EXPECT_EQ(notes()->GetStringSelection(), "A5 (81)");
}

TEST_F(ViewsWindowTest, MarkerClickAndSelectorMoveTheSelectedHarmonicTogether)
{
    open(writeTone("a440", 440.0));
    CSpectrumView* view = dlg->spectrum();
    const int width = view->GetClientSize().x;
    // Marker n stands at about n * width / 32; a click two pixels left of it counts.
    view->leftDown(static_cast<int>(3 * width / 32.0 + 0.5) - 1);
    EXPECT_EQ(dlg->upDown(ID_HARMONIC_SPIN)->position(), 3);
    EXPECT_EQ(dlg->text(ID_HARMONIC_EDIT), "3");
    EXPECT_EQ(dlg->harmonic, 3);
    EXPECT_EQ(view->selectedHarmonic(), 3);
    EXPECT_EQ(dlg->text(ID_HARMONIC_OF), "the 3\xC2\xB0 harmonic of ");
    EXPECT_EQ(dlg->text(ID_AMPLITUDE_TITLE).rfind("Amplitude profile of the 3\xC2\xB0 harmonic (", 0), 0u);

    // Between markers: nothing changes.
    view->leftDown(static_cast<int>(5.5 * width / 32.0));
    EXPECT_EQ(dlg->harmonic, 3);

    // Typing in the edit moves the display's marker (the edit's change handler).
    static_cast<wxTextCtrl*>(dlg->control(ID_HARMONIC_EDIT))->SetValue("7");
    EXPECT_EQ(dlg->harmonic, 7);
    EXPECT_EQ(view->selectedHarmonic(), 7);
    // Out of range counts as the nearest end.
    static_cast<wxTextCtrl*>(dlg->control(ID_HARMONIC_EDIT))->SetValue("40");
    EXPECT_EQ(dlg->harmonic, 32);
    EXPECT_EQ(view->selectedHarmonic(), 32);
}

TEST_F(ViewsWindowTest, DragOnTheWaveformEnablesSearchAndAClickGraysIt)
{
    open(writeTone("a440", 440.0));
    WaveformView* view = dlg->waveform();
    EXPECT_FALSE(menuEnabled(ID_SEARCH));
    EXPECT_FALSE(enabled(ID_SEARCH));
    EXPECT_FALSE(dlg->searchEnabled);

    view->leftDown(20);
    view->mouseMove(200, 10);
    view->leftUp();
    EXPECT_LT(view->selectionStart(), view->selectionEnd());
    EXPECT_TRUE(menuEnabled(ID_SEARCH));
    EXPECT_TRUE(enabled(ID_SEARCH));
    EXPECT_TRUE(dlg->searchEnabled);

    view->leftDown(100);
    view->leftUp();
    EXPECT_FALSE(menuEnabled(ID_SEARCH));
    EXPECT_FALSE(enabled(ID_SEARCH));
    EXPECT_FALSE(dlg->searchEnabled);

    // While a search runs its button is the Stop: only the flag follows.
    dlg->searching = true;
    view->leftDown(20);
    view->mouseMove(300, 10);
    view->leftUp();
    EXPECT_TRUE(dlg->searchEnabled);
    EXPECT_FALSE(enabled(ID_SEARCH));
    dlg->searching = false;

    // A new load clears the selection and grays Search again.
    open(writeTone("again", 220.0));
    EXPECT_EQ(view->selectionStart(), view->selectionEnd());
    EXPECT_FALSE(menuEnabled(ID_SEARCH));
    EXPECT_FALSE(dlg->searchEnabled);
}

TEST_F(ViewsWindowTest, PointerReadoutsOfBothDisplaysLandInTheTwoStatics)
{
    open(writeTone("a440", 440.0));
    WaveformView* wave = dlg->waveform();
    const wxSize size = wave->GetClientSize();
    const int x = size.x / 2;
    wave->mouseMove(x, size.y / 2);
    const int32_t n = dlg->doc.sampleCount;
    const long ms = static_cast<long>(static_cast<double>(x) * n * 1000.0 / 44100.0 / size.x + 0.5);
    EXPECT_EQ(dlg->text(ID_MOUSE_X), std::to_string(ms) + " ms");
    EXPECT_EQ(dlg->text(ID_MOUSE_Y), "-inf"); // on the centre line
    // A quarter of the height above the centre of a mono view: (1/4) / (5/9)
    // = 0.45, 20 log10(0.45) = -6.9 dB, trunc(-6.9 + 0.5) = -6.
    wave->mouseMove(x, size.y / 4);
    EXPECT_EQ(dlg->text(ID_MOUSE_Y), "-6 dB");

    CSpectrumView* spectrum = dlg->spectrum();
    const wxSize ss = spectrum->GetClientSize();
    spectrum->mouseMove(ss.x / 32 - 1, 0);
    // Column W/32 - 1 reads (x + 1) * 32 * f / W = the fundamental.
    EXPECT_EQ(dlg->text(ID_MOUSE_X), formatSignificant((ss.x / 32) * 32.0 * dlg->doc.channelPitch[0] / ss.x, 6) + " Hz");
    EXPECT_EQ(dlg->text(ID_MOUSE_Y), "0 dB");
}

TEST_F(ViewsWindowTest, TheFileLoopIsShownWithItsColours)
{
    open(writeTone("looped", 440.0, 1, 1.0, 60000, wavbytes::SamplerLoop{0, 30000, 44699}));
    WaveformView* view = dlg->waveform();
    EXPECT_EQ(view->loopStart(), 29999);
    EXPECT_EQ(view->loopEnd(), 44699);
    EXPECT_TRUE(view->loopForward());
    const wxImage wave = view->renderBitmap().ConvertToImage();
    EXPECT_GT(countColour(wave, 200, 0, 64), 100u); // the loop pen

    // A sound without a loop takes none.
    open(writeTone("plain", 440.0));
    EXPECT_EQ(view->loopStart(), -1);
    EXPECT_EQ(view->loopEnd(), -1);
}

TEST_F(ViewsWindowTest, WritesAScreenshotWithAStereoSound)
{
    if (std::system("command -v xwd >/dev/null 2>&1 && command -v xwdtopnm >/dev/null 2>&1 && "
                    "command -v pnmtopng >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "xwd, xwdtopnm or pnmtopng missing";
    open(writeTone("stereo-views", 220.0, 2, 1.5, 60000, wavbytes::SamplerLoop{0, 30000, 44699}));
    dlg->waveform()->leftDown(40);
    dlg->waveform()->mouseMove(120, 10);
    dlg->waveform()->leftUp();
    dlg->spectrum()->leftDown(static_cast<int>(2 * dlg->spectrum()->GetClientSize().x / 32.0 + 0.5));
    wxFileName::Mkdir(RINGTIDE_SCREENSHOT_DIR, 0755, wxPATH_MKDIR_FULL);
    const wxString title = dlg->GetTitle();
    dlg->SetTitle("ringtide-views-screenshot");
    dlg->Raise();
    dlg->Refresh();
    uitest::pumpFor(400);
    const std::string path = std::string(RINGTIDE_SCREENSHOT_DIR) + "/main-views.png";
    const std::string cmd = "xwd -silent -name 'ringtide-views-screenshot' | xwdtopnm 2>/dev/null | pnmtopng > '" +
                            path + "' 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_GT(wxFileName::GetSize(path), 1000);
    dlg->SetTitle(title);
}
