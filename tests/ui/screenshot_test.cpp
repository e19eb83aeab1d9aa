// Pictures of the main window for review: right after start and with a sound
// loaded, written as PNG to RINGTIDE_SCREENSHOT_DIR. The window is captured by
// its own X window (xwd -name), which needs no window manager.

#include "main_window_fixture.h"

#include "app/CAboutDlg.h"
#include "processing/ui/CCutBoostDlg.h"
#include "processing/ui/CFftOptionsDlg.h"

#include <wx/filename.h>

#include <cstdlib>

namespace {

bool haveTools()
{
    return std::system("command -v xwd >/dev/null 2>&1 && command -v xwdtopnm >/dev/null 2>&1 && "
                       "command -v pnmtopng >/dev/null 2>&1") == 0;
}

// Captures the X window named `name` into RINGTIDE_SCREENSHOT_DIR/file.
bool captureNamed(const std::string& name, const std::string& file)
{
    wxFileName::Mkdir(RINGTIDE_SCREENSHOT_DIR, 0755, wxPATH_MKDIR_FULL);
    const std::string path = std::string(RINGTIDE_SCREENSHOT_DIR) + "/" + file;
    const std::string cmd =
        "xwd -silent -name '" + name + "' | xwdtopnm 2>/dev/null | pnmtopng > '" + path + "' 2>/dev/null";
    return std::system(cmd.c_str()) == 0 && wxFileName::GetSize(path) > 1000;
}

// The title is made unique for the capture so that xwd finds this window.
bool capture(CMainDlg& dlg, const std::string& file)
{
    const wxString title = dlg.GetTitle();
    dlg.SetTitle("ringtide-screenshot-target");
    dlg.Raise();
    dlg.Refresh();
    uitest::pumpFor(400);
    const bool ok = captureNamed("ringtide-screenshot-target", file);
    dlg.SetTitle(title);
    return ok;
}

} // namespace

TEST_F(MainWindowTest, WritesScreenshotsAfterStartAndAfterLoading)
{
    if (!haveTools())
        GTEST_SKIP() << "xwd, xwdtopnm or pnmtopng missing";
    EXPECT_TRUE(capture(*dlg, "main-start.png"));
    open(writeWave("grand-piano-C4", 60000, 2, wavbytes::SamplerLoop{0, 30000, 44699}));
    EXPECT_TRUE(capture(*dlg, "main-loaded.png"));
    dlg->onShowProfiles();
    dlg->waitForProfiles();
    EXPECT_TRUE(capture(*dlg, "main-profiles.png"));
}

TEST(AboutBoxPicture, WritesAScreenshot)
{
    if (!haveTools())
        GTEST_SKIP() << "xwd, xwdtopnm or pnmtopng missing";
    auto* about = new CAboutDlg(nullptr);
    about->Show();
    uitest::pumpFor(400);
    EXPECT_TRUE(captureNamed("About Ringtide", "about.png"));
    about->Destroy();
    uitest::pumpFor(20);
}

TEST_F(MainWindowTest, WritesScreenshotsOfTheCutBoostAndFftOptionsDialogs)
{
    if (!haveTools())
        GTEST_SKIP() << "xwd, xwdtopnm or pnmtopng missing";
    // A plucked string (Karplus-Strong, 196 Hz): a noisy attack and a
    // sustain rich in harmonics, closer to an instrument than a sine.
    const int rate = 44100, frames = 88200, period = rate / 196;
    std::vector<double> line(static_cast<size_t>(period));
    uint32_t seed = 12345;
    for (double& v : line) {
        seed = seed * 1664525u + 1013904223u;
        v = (static_cast<int>(seed >> 16) % 2001 - 1000) / 1000.0;
    }
    std::vector<int16_t> pcm(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        const size_t k = static_cast<size_t>(i % period);
        const double next = line[(k + 1) % line.size()];
        pcm[static_cast<size_t>(i)] = static_cast<int16_t>(14000.0 * line[k]);
        line[k] = 0.4985 * (line[k] + next);
    }
    wavbytes::WavLayout w;
    w.channels = 1;
    w.sampleRate = rate;
    w.data = wavbytes::pcm16(pcm);
    const std::string path = folder + "/plucked-G3.wav";
    ASSERT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
    open(path);
    dlg->cutBoostGain = 12;
    dlg->cutBoostFreqPos = 4 * 196 * 16384 / rate; // the 4th harmonic
    dlg->cutBoostWidthPos = 120;
    auto* cutBoost = new CCutBoostDlg(dlg, dlg->cutBoostHost());
    cutBoost->Show();
    cutBoost->apply();
    uitest::pumpFor(400);
    EXPECT_TRUE(captureNamed("Parametric cut/boost filter", "cutboost.png"));
    cutBoost->Destroy();
    auto* options = new CFftOptionsDlg(dlg, dlg->doc);
    options->startMs = 400;
    options->InitDialog();
    options->Show();
    uitest::pumpFor(400);
    EXPECT_TRUE(captureNamed("FFT Options", "fft-options.png"));
    options->Destroy();
    uitest::pumpFor(20);
}

// The junction area on a real sample, for the README: the file named by
// RINGTIDE_JUNCTION_SAMPLE (tools/junction_screenshot.sh extracts one from a
// General MIDI soundfont), its stored loop shown at its wrap. Skipped when no
// sample is named.
TEST_F(MainWindowTest, WritesAJunctionScreenshotOfARealSample)
{
    const char* sample = std::getenv("RINGTIDE_JUNCTION_SAMPLE");
    if (!sample || !*sample)
        GTEST_SKIP() << "RINGTIDE_JUNCTION_SAMPLE names no sample";
    if (!haveTools())
        GTEST_SKIP() << "xwd, xwdtopnm or pnmtopng missing";
    open(sample);
    ASSERT_TRUE(dlg->doc.loops.hasLoop(dlg->doc.loops.currentSolution)) << sample << " has no loop";
    dlg->onShowJunction();
    ASSERT_TRUE(dlg->junctionShown());
    EXPECT_TRUE(capture(*dlg, "junction.png"));
}
