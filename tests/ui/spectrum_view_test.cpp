// The main spectrum display in a frame of its own: painting with its four
// pens, harmonic selection by click, the read-outs.

#include "views/ui/CSpectrumView.h"

#include "document/SampleBuffer.h"
#include "document/format.h"
#include "dsp/spectrum_analysis.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <cmath>
#include <string>

namespace {

using uitest::countColour;

constexpr int kWidth = 512;
constexpr int kHeight = 128;

// A stereo tone at 220 Hz (left) and 330 Hz (right) with six harmonics each,
// over a faint noise floor that the spectrum shows between the harmonics (the
// harmonics themselves sit under their markers).
SampleBuffer stereoTone()
{
    SampleBuffer sb;
    const int32_t n = 60000;
    sb.allocate(2, n);
    sb.channels = 2;
    sb.sampleCount = n;
    sb.sampleRate = 44100;
    sb.bitsPerSample = 16;
    uint32_t noise = 12345;
    for (int c = 0; c < 2; ++c) {
        const double f = c == 0 ? 220.0 : 330.0;
        for (int32_t i = 0; i < n; ++i) {
            double v = 0;
            for (int h = 1; h <= 6; ++h)
                v += std::sin(2 * M_PI * h * f * i / 44100.0 + h) / (h + 1);
            noise = noise * 1664525u + 1013904223u;
            const double hiss = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.04;
            sb.samples[c][i] = static_cast<int16_t>(9000 * (v + hiss));
        }
    }
    return sb;
}

class SpectrumViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        frame = new wxFrame(nullptr, wxID_ANY, "spectrum", wxPoint(20, 20), wxDefaultSize);
        view = new CSpectrumView(frame, wxID_ANY, wxPoint(0, 0), wxDefaultSize, wxBORDER_NONE);
        frame->SetClientSize(kWidth, kHeight);
        view->SetSize(0, 0, kWidth, kHeight);
        frame->Show();
        uitest::pumpUntil([&] { return view->GetClientSize() == wxSize(kWidth, kHeight); });
        sound = stereoTone();
        ASSERT_TRUE(analyseSpectrum(sound, nullptr, analysis));
    }
    void TearDown() override
    {
        frame->Destroy();
        uitest::pumpFor(20);
    }

    wxFrame* frame = nullptr;
    CSpectrumView* view = nullptr;
    SampleBuffer sound;
    SpectrumAnalysis analysis;
};

} // namespace

TEST_F(SpectrumViewTest, PaintsBackgroundOnlyUntilReady)
{
    view->beginAnalysis();
    wxImage img = view->renderBitmap().ConvertToImage();
    EXPECT_EQ(countColour(img, 255, 255, 255), static_cast<size_t>(kWidth * kHeight));

    view->showAnalysis(analysis);
    img = view->renderBitmap().ConvertToImage();
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxFileName::Mkdir(RINGTIDE_SCREENSHOT_DIR, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    img.SaveFile(wxString(RINGTIDE_SCREENSHOT_DIR) + "/spectrum_view.png", wxBITMAP_TYPE_PNG);
    // Each harmonic is a narrow peak a column or two wide; the markers move
    // onto the peaks, so most of what shows is marker.
    EXPECT_GT(countColour(img, 128, 128, 196), 10u);  // columns between the peaks
    EXPECT_GT(countColour(img, 200, 0, 64), 2u * 30); // the selected marker (harmonic 1), both halves
    EXPECT_GE(countColour(img, 128, 128, 128), static_cast<size_t>(kWidth - 1)); // stereo divider
    // Both halves hold ordinary markers of about the same heights.
    size_t top = 0, bottom = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (img.GetRed(x, y) == 0 && img.GetGreen(x, y) == 0 && img.GetBlue(x, y) == 128)
                ++(y < kHeight / 2 ? top : bottom);
    EXPECT_GT(top, 5u * 30);
    EXPECT_GT(bottom, 5u * 30);
    // The first marker of the upper half: pen width 2, from the divider up.
    EXPECT_EQ(img.GetRed(16, kHeight / 2 - 2), 200);
    EXPECT_EQ(img.GetRed(16, 2), 255); // a -18 dB peak does not reach the top
}

TEST_F(SpectrumViewTest, ClickOnOrLeftOfAMarkerSelectsIt)
{
    view->showAnalysis(analysis);
    int reported = 0;
    view->setHarmonicHook([&](int h) { reported = h; });
    // Width 512: marker n at x = 16n.
    view->leftDown(3 * 16 - 2);
    EXPECT_EQ(reported, 3);
    EXPECT_EQ(view->selectedHarmonic(), 3);
    reported = 0;
    view->leftDown(5 * 16 + 2);
    EXPECT_EQ(reported, 0);
    EXPECT_EQ(view->selectedHarmonic(), 3);

    // A real click.
    wxUIActionSimulator sim;
    sim.MouseMove(view->ClientToScreen(wxPoint(7 * 16, 40)));
    uitest::pumpFor(30);
    sim.MouseClick();
    EXPECT_TRUE(uitest::pumpUntil([&] { return reported == 7; }));
}

TEST_F(SpectrumViewTest, ReadoutFollowsThePointer)
{
    wxStaticText* freq = new wxStaticText(frame, wxID_ANY, "");
    wxStaticText* level = new wxStaticText(frame, wxID_ANY, "");
    view->setReadoutControls(freq, level);
    view->mouseMove(10, 10);
    EXPECT_EQ(freq->GetLabel(), ""); // not ready: nothing

    view->showAnalysis(analysis);
    view->mouseMove(15, 0);
    // (15 + 1) * 32 * f / 512 = f: the first channel's fundamental, 0 dB.
    EXPECT_EQ(std::string(freq->GetLabel().utf8_str()), formatSignificant(analysis.channelHz[0], 6) + " Hz");
    EXPECT_EQ(level->GetLabel(), "0 dB");
    view->mouseMove(15, kHeight / 2 + 16);
    EXPECT_EQ(std::string(freq->GetLabel().utf8_str()), formatSignificant(analysis.channelHz[1], 6) + " Hz");
    EXPECT_EQ(level->GetLabel(), "-24 dB"); // trunc(-100 * 16 / 64 + 0.5)
}
