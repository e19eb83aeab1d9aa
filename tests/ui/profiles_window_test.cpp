// The profile area of the main window: showing and hiding it, the
// computation it starts and the commands locked meanwhile, the FFT window
// and overlap settings, the two displays (curves, front channel, band,
// read-outs) and Play selected harmonic alone.

#include "main_window_fixture.h"

#include "platform/null_audio_device.h"
#include "platform/ui/CUpDownCtrl.h"
#include "playback/PlaybackEngine.h"
#include "views/ui/CProfileView.h"
#include "views/ui/WaveformView.h"

#include <wx/choice.h>
#include <wx/image.h>
#include <wx/textctrl.h>

#include <cmath>
#include <cstring>
#include <string>

class ProfilesWindowTest : public NullPlaybackWindowTest {
protected:
    // Harmonics 1..6 (falling 1/h) of hz on channel 0 and of hz * ratio at
    // `gain1` times the level on channel 1; `silent` writes zeros.
    std::string writeTone(const std::string& name, double hz, int channels = 1, double ratio = 1.0,
                          int frames = 60000, bool silent = false, double gain1 = 1.0)
    {
        wavbytes::WavLayout w;
        w.channels = static_cast<uint16_t>(channels);
        std::vector<int16_t> s(static_cast<size_t>(frames) * channels, 0);
        for (int i = 0; i < frames && !silent; ++i)
            for (int c = 0; c < channels; ++c) {
                const double f = hz * (c == 0 ? 1.0 : ratio);
                double v = 0;
                for (int h = 1; h <= 6; ++h)
                    v += std::sin(2 * M_PI * h * f * i / 44100.0) / h;
                s[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(10000 * v * (c == 0 ? 1.0 : gain1));
            }
        w.data = wavbytes::pcm16(s);
        const std::string path = folder + "/" + name + ".wav";
        EXPECT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
        return path;
    }

    void showProfiles()
    {
        dlg->onShowProfiles();
        dlg->waitForProfiles();
    }

    // Rising zero crossings per second of the synthesised harmonic.
    double scratchHz(int32_t length) const
    {
        const std::vector<int16_t>& s = dlg->doc.scratch;
        int crossings = 0;
        for (int32_t i = 0; i + 1 < length; ++i)
            if (s[i] < 0 && s[i + 1] >= 0)
                ++crossings;
        return crossings * 44100.0 / length;
    }
    // Its level in dB of full scale (RMS of the second half, as a peak).
    double scratchDb(int32_t length) const
    {
        const std::vector<int16_t>& s = dlg->doc.scratch;
        double squares = 0.0;
        for (int32_t i = length / 2; i < length; ++i)
            squares += static_cast<double>(s[i]) * s[i];
        return 20.0 * std::log10(std::sqrt(2.0 * squares / (length - length / 2)) / 32767.0);
    }
};

TEST_F(ProfilesWindowTest, ShowComputesWithCommandsLockedAndHideShrinksTheWindow)
{
    open(writeTone("a440", 440.0));
    const int shortHeight = dlg->GetClientSize().y;
    EXPECT_FALSE(enabled(ID_PLAY_SA));

    dlg->onShowProfiles();
    EXPECT_EQ(dlg->text(ID_SHOW_PROFILES), "<< Hide profiles");
    EXPECT_EQ(dlg->GetClientSize().y, shortHeight + dlg->profileAreaHeight());
    EXPECT_FALSE(enabled(ID_RECALCULATE));
    // The run locks the commands until its end reaches the window.
    EXPECT_FALSE(menuEnabled(ID_LOAD));
    EXPECT_FALSE(enabled(ID_SHOW_PROFILES));
    EXPECT_FALSE(dlg->frequencyProfile()->model().isReady());
    dlg->waitForProfiles();
    EXPECT_TRUE(menuEnabled(ID_LOAD));
    EXPECT_TRUE(enabled(ID_SHOW_PROFILES));
    EXPECT_TRUE(dlg->profilesReady);
    EXPECT_TRUE(enabled(ID_PLAY_SA));

    // A steady tone: the fundamental hardly moves.
    const std::string title = dlg->text(ID_FREQUENCY_TITLE);
    const std::string head = "Frequency profile of the 1\xC2\xB0 harmonic: ";
    ASSERT_EQ(title.rfind(head, 0), 0u) << title;
    EXPECT_NEAR(std::atof(title.c_str() + head.size()), 440.0, 2.0);
    EXPECT_NE(title.find(" Hz, +/- 0 cents"), std::string::npos) << title;

    // Both displays draw their front curve (and the frequency its middle line).
    for (CProfileView* view : {dlg->frequencyProfile(), dlg->amplitudeProfile()})
        EXPECT_GT(uitest::countColour(view->renderBitmap().ConvertToImage(), 200, 0, 64), 100u);

    // Another harmonic: titles follow, nothing is recomputed.
    static_cast<wxTextCtrl*>(dlg->control(ID_HARMONIC_EDIT))->SetValue("3");
    EXPECT_FALSE(dlg->profileRunning());
    EXPECT_EQ(dlg->text(ID_FREQUENCY_TITLE).rfind("Frequency profile of the 3\xC2\xB0 harmonic: ", 0), 0u);

    dlg->onShowProfiles();
    EXPECT_EQ(dlg->text(ID_SHOW_PROFILES), "Show profiles >>");
    EXPECT_EQ(dlg->GetClientSize().y, shortHeight);
    EXPECT_FALSE(enabled(ID_PLAY_SA));
}

// FFT window 128 and overlap 0 % on a decaying 220 Hz sine: its periods are
// 200 samples, so the frame grows 128 -> 256 -> 512 -> 1024 (four periods need
// 800) and the grown size is kept; the hop stays 128, and (60000 - 1024) / 128
// + 1 = 461 frames fit.
TEST_F(ProfilesWindowTest, FftWindowAndOverlapTakeEffectOnRecalculate)
{
    open(writeWave("decay", 60000));
    showProfiles();
    const wxImage drawn = dlg->amplitudeProfile()->renderBitmap().ConvertToImage();
    auto* fft = static_cast<wxChoice*>(dlg->control(ID_FFT_WINDOW));
    EXPECT_EQ(fft->GetStringSelection(), "2048");
    fft->SetSelection(0);
    wxCommandEvent pick(wxEVT_CHOICE, ID_FFT_WINDOW);
    pick.SetEventObject(fft);
    fft->ProcessWindowEvent(pick);
    EXPECT_TRUE(enabled(ID_RECALCULATE));
    static_cast<wxTextCtrl*>(dlg->control(ID_OVERLAP_EDIT))->SetValue("0");
    EXPECT_EQ(dlg->profileState.settings.overlapPercent, 0);
    EXPECT_EQ(dlg->profileState.results->hop, 1024); // nothing recomputed yet
    // The curves keep the hop they were computed with: not stretched.
    const wxImage still = dlg->amplitudeProfile()->renderBitmap().ConvertToImage();
    EXPECT_EQ(0, std::memcmp(drawn.GetData(), still.GetData(), static_cast<size_t>(drawn.GetWidth()) * drawn.GetHeight() * 3));

    dlg->onRecalculate();
    EXPECT_FALSE(enabled(ID_RECALCULATE));
    dlg->waitForProfiles();
    const HarmonicProfiles& p = *dlg->profileState.results;
    EXPECT_EQ(p.hop, 128);
    EXPECT_EQ(p.frameSize, 1024);
    EXPECT_EQ(p.frames, 461);
    EXPECT_EQ(dlg->profileState.settings.frameSize, 1024);

    // Shown again, the combo shows the grown size.
    dlg->onShowProfiles();
    showProfiles();
    EXPECT_EQ(fft->GetStringSelection(), "1024");
}

// Two triggers in a row (an edit's refresh, then Recalculate) leave one run,
// whose end unlocks the commands once.
TEST_F(ProfilesWindowTest, ASecondTriggerRestartsTheRun)
{
    open(writeTone("a220", 220.0, 2, 1.5));
    showProfiles();
    dlg->startProfileRefresh();
    dlg->onRecalculate();
    EXPECT_FALSE(menuEnabled(ID_LOAD));
    EXPECT_TRUE(uitest::pumpUntil([this] { return !dlg->profileRunning(); }, 5000));
    EXPECT_TRUE(dlg->profilesReady);
    EXPECT_TRUE(menuEnabled(ID_LOAD));
    EXPECT_EQ(dlg->profileState.results->channels, 2);
}

// Silence has no pitch: nothing is computed, no curve is drawn, and the
// commands come back.
TEST_F(ProfilesWindowTest, ASoundWithoutPitchShowsNoCurves)
{
    open(writeTone("quiet", 440.0, 1, 1.0, 60000, true));
    ASSERT_LE(dlg->doc.pitchHz, 0.0);
    showProfiles();
    EXPECT_FALSE(dlg->profilesReady);
    EXPECT_TRUE(menuEnabled(ID_LOAD));
    EXPECT_FALSE(enabled(ID_PLAY_SA));
    EXPECT_EQ(uitest::countColour(dlg->frequencyProfile()->renderBitmap().ConvertToImage(), 200, 0, 64), 0u);
    EXPECT_EQ(dlg->text(ID_FREQUENCY_TITLE), "Frequency profile of the 1\xC2\xB0 harmonic");
}

// Stereo, the right channel 6 dB below the left: a click brings the other
// channel to the front, and the harmonic played is the front channel's, at
// its frequency and level (harmonic h of the tone is 1/h of 10000; the level
// is read from the peak bin, up to about 0.8 dB low between bins).
TEST_F(ProfilesWindowTest, ClickSwapsTheFrontChannelThatPlays)
{
    open(writeTone("stereo", 220.0, 2, 1.0, 60000, false, 0.5));
    showProfiles();
    ASSERT_TRUE(dlg->profilesReady);
    const HarmonicProfiles& p = *dlg->profileState.results;
    const int32_t length = p.hop * p.frames;
    const double left = 20.0 * std::log10(10000.0 / 32767.0);

    dlg->onPlayHarmonic();
    EXPECT_EQ(dlg->playingButton(), ID_PLAY_SA);
    EXPECT_EQ(dlg->playbackEngine()->playMode.load(), PlayHarmonic);
    EXPECT_NEAR(scratchHz(length), 220.0, 2.0);
    EXPECT_NEAR(scratchDb(length), left, 1.0);
    dlg->onPlayHarmonic(); // stops
    EXPECT_EQ(dlg->playingButton(), 0);

    // The right channel's level curve, 6 dB lower, is drawn behind in grey.
    CProfileView* amplitude = dlg->amplitudeProfile();
    EXPECT_GT(uitest::countColour(amplitude->renderBitmap().ConvertToImage(), 128, 128, 128), 100u);
    CProfileView* frequency = dlg->frequencyProfile();
    frequency->leftDown();
    EXPECT_EQ(frequency->model().frontChannel(), 1);
    EXPECT_EQ(amplitude->model().frontChannel(), 0); // each display its own

    // Harmonic 2 of the right channel: 440 Hz at half of 5000 / 32767.
    static_cast<wxTextCtrl*>(dlg->control(ID_HARMONIC_EDIT))->SetValue("2");
    dlg->onPlayHarmonic();
    EXPECT_NEAR(scratchHz(length), 440.0, 2.0);
    EXPECT_NEAR(scratchDb(length), left - 6.02 - 6.02, 1.0);
    // The timer of hop * F samples ends it.
    EXPECT_TRUE(uitest::pumpUntil([this] { return dlg->playingButton() == 0; }, 5000));
}

TEST_F(ProfilesWindowTest, BandFollowsTheWaveformAndPointerReadsOut)
{
    open(writeTone("a440", 440.0));
    showProfiles();
    WaveformView* wave = dlg->waveform();
    wave->leftDown(30);
    wave->mouseMove(120, 5);
    wave->leftUp();
    for (CProfileView* view : {dlg->frequencyProfile(), dlg->amplitudeProfile()}) {
        EXPECT_EQ(view->model().bandLeft(), wave->selectionBandLeft());
        EXPECT_EQ(view->model().bandRight(), wave->selectionBandRight());
        EXPECT_GT(uitest::countColour(view->renderBitmap().ConvertToImage(), 220, 220, 255), 0u);
    }

    CProfileView* frequency = dlg->frequencyProfile();
    const wxSize size = frequency->GetClientSize();
    const int duration = dlg->profileState.results->durationMs; // trunc(60000 * 1000 / 44100 + 0.5) = 1361
    EXPECT_EQ(duration, 1361);
    frequency->mouseMove(size.x / 2, size.y / 2 - 1);
    EXPECT_EQ(dlg->text(ID_MOUSE_X), std::to_string(static_cast<int>(size.x / 2 * 1361.0 / size.x + 0.5)) + " ms");
    EXPECT_EQ(dlg->text(ID_PROFILE_READOUT), "0 cents");
    // The top row of the amplitude display is 0 dB, the middle -50 dB.
    CProfileView* amplitude = dlg->amplitudeProfile();
    amplitude->mouseMove(0, 0);
    EXPECT_EQ(dlg->text(ID_MOUSE_X), "0 ms");
    EXPECT_EQ(dlg->text(ID_PROFILE_READOUT), "0 dB");
    const int h = amplitude->GetClientSize().y;
    amplitude->mouseMove(0, h / 2);
    EXPECT_EQ(dlg->text(ID_PROFILE_READOUT),
              std::to_string(static_cast<int>(-100.0 * (h / 2) / h + 0.5)) + " dB");
}

// Change sample rate relabels a 441 Hz sound to 48000 Hz: it now sounds at
// 441 * 48000 / 44100 = 480 Hz, and so must its fundamental played alone
// (the analysis was made at 44100 Hz, which would give 522.4 Hz).
TEST_F(ProfilesWindowTest, HarmonicPlaysAtTheRelabelledRate)
{
    open(writeTone("a441", 441.0));
    showProfiles();
    ASSERT_TRUE(dlg->profilesReady);
    dlg->setSampleRate(48000);
    ASSERT_EQ(dlg->playbackEngine()->playMode.load(), PlayIdle);
    dlg->onPlayHarmonic();
    ASSERT_EQ(dlg->playingButton(), ID_PLAY_SA);
    const HarmonicProfiles& p = *dlg->profileState.results;
    const int32_t length = p.hop * p.frames;
    EXPECT_NEAR(scratchHz(length) * 48000.0 / 44100.0, 480.0, 2.0);
    dlg->onPlayHarmonic();
}

// A 40 Hz note grows the frame to 8192 (four periods of 1103 samples); the
// combo says so. A 5000-sample sound after it does not fit four such frames:
// the frame shrinks (8192 -> 1024, where trunc(5000/512) - 1 = 8 frames fit)
// and the profiles are drawn, with the combo showing the size used.
TEST_F(ProfilesWindowTest, FftWindowComboFollowsTheFrameSizeUsed)
{
    open(writeTone("low", 40.0));
    ASSERT_NEAR(dlg->doc.pitchHz, 40.0, 1.0);
    showProfiles();
    auto* fft = static_cast<wxChoice*>(dlg->control(ID_FFT_WINDOW));
    ASSERT_TRUE(dlg->profilesReady);
    EXPECT_EQ(dlg->profileState.results->frameSize, 8192);
    EXPECT_EQ(fft->GetStringSelection(), "8192");

    open(writeTone("short", 440.0, 1, 1.0, 5000));
    dlg->waitForProfiles();
    ASSERT_TRUE(dlg->profilesReady);
    EXPECT_EQ(dlg->profileState.results->frameSize, 1024);
    EXPECT_EQ(dlg->profileState.results->frames, 8);
    EXPECT_EQ(fft->GetStringSelection(), "1024");
    EXPECT_GT(uitest::countColour(dlg->amplitudeProfile()->renderBitmap().ConvertToImage(), 200, 0, 64), 20u);
}
