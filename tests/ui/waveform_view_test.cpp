// The waveform display in a frame of its own: mouse selection, the colours of
// the loop zones, the search-enabled switch, the play cursor, the hooks.

#include "views/ui/CCrossfadePicture.h"
#include "views/ui/WaveformView.h"

#include "document/SampleBuffer.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using uitest::countColour;

constexpr int kWidth = 726;
constexpr int kHeight = 219;

// A decaying stereo tone with a sharp attack, 2 s at 44.1 kHz.
std::unique_ptr<SampleBuffer> stereoTone()
{
    auto sb = std::make_unique<SampleBuffer>();
    const int32_t n = 88200;
    sb->allocate(2, n);
    sb->channels = 2;
    sb->sampleCount = n;
    sb->sampleRate = 44100;
    sb->bitsPerSample = 16;
    sb->blockAlign = 4;
    for (int32_t i = 0; i < n; ++i) {
        const double env = std::exp(-i / 30000.0) * std::min(1.0, i / 400.0);
        sb->samples[0][i] = static_cast<int16_t>(30000.0 * env * std::sin(2 * M_PI * 220.0 * i / 44100.0));
        sb->samples[1][i] = static_cast<int16_t>(22000.0 * env * std::sin(2 * M_PI * 330.0 * i / 44100.0 + 0.7));
    }
    return sb;
}

class WaveformTest : public testing::Test {
protected:
    void SetUp() override
    {
        frame = new wxFrame(nullptr, wxID_ANY, "waveform", wxPoint(20, 20), wxDefaultSize);
        view = new WaveformView(frame, wxID_ANY, wxPoint(0, 0), wxDefaultSize, wxBORDER_NONE);
        frame->SetClientSize(kWidth, kHeight);
        view->SetSize(0, 0, kWidth, kHeight);
        frame->Show();
        uitest::pumpUntil([&] { return view->GetClientSize() == wxSize(kWidth, kHeight); });
        sound = stereoTone();
        view->rebuild(sound.get());
    }
    void TearDown() override
    {
        if (view->HasCapture())
            view->ReleaseMouse();
        frame->Destroy();
        uitest::pumpFor(20);
    }
    int32_t sampleAt(int x) const { return static_cast<int32_t>(x * view->columns().samplesPerPixel + 0.5); }

    wxFrame* frame = nullptr;
    WaveformView* view = nullptr;
    std::unique_ptr<SampleBuffer> sound;
};

} // namespace

TEST_F(WaveformTest, RebuildsAtTheClientSize)
{
    const WaveformColumns& wc = view->columns();
    EXPECT_EQ(wc.width, kWidth);
    EXPECT_EQ(wc.height, kHeight);
    EXPECT_EQ(wc.channelCount, 2);
    EXPECT_DOUBLE_EQ(wc.samplesPerPixel, 88200.0 / kWidth);
}

TEST_F(WaveformTest, DraggingRightMovesEndAndLeftMovesStart)
{
    view->leftDown(300);
    EXPECT_TRUE(view->HasCapture());
    EXPECT_EQ(view->selectionStart(), sampleAt(300));
    EXPECT_EQ(view->selectionEnd(), sampleAt(300));

    view->mouseMove(420, 50);
    EXPECT_EQ(view->selectionStart(), sampleAt(300));
    EXPECT_EQ(view->selectionEnd(), sampleAt(420));
    EXPECT_EQ(view->selectionBandLeft(), 300);
    EXPECT_EQ(view->selectionBandRight(), 420);

    view->mouseMove(150, 50);
    EXPECT_EQ(view->selectionStart(), sampleAt(150));
    EXPECT_EQ(view->selectionEnd(), sampleAt(300));

    // Past the right edge the end stops at N; left of the view nothing moves.
    view->mouseMove(kWidth + 40, 50);
    EXPECT_EQ(view->selectionEnd(), 88200);
    view->mouseMove(-30, 50);
    EXPECT_EQ(view->selectionEnd(), 88200);
    view->leftUp();
    EXPECT_FALSE(view->HasCapture());

    // Without the button the pointer only reads out.
    view->mouseMove(10, 10);
    EXPECT_EQ(view->selectionEnd(), 88200);
}

TEST_F(WaveformTest, RealMouseDragSelects)
{
    wxUIActionSimulator sim;
    const wxPoint origin = view->ClientToScreen(wxPoint(0, 0));
    sim.MouseMove(origin + wxPoint(200, 100));
    uitest::pumpFor(50);
    sim.MouseDown();
    uitest::pumpFor(50);
    for (int x = 210; x <= 400; x += 10) {
        sim.MouseMove(origin + wxPoint(x, 100));
        uitest::pumpFor(10);
    }
    sim.MouseUp();
    EXPECT_TRUE(uitest::pumpUntil([&] { return view->selectionEnd() == sampleAt(400) && !view->HasCapture(); }));
    EXPECT_EQ(view->selectionStart(), sampleAt(200));
}

TEST_F(WaveformTest, DoubleClickSelectsTheWholeSound)
{
    view->leftDoubleClick();
    EXPECT_EQ(view->selectionStart(), 0);
    EXPECT_EQ(view->selectionEnd(), 88200);
    EXPECT_EQ(view->selectionBandLeft(), 0);
    // The band reaches the column of N - 1.
    EXPECT_EQ(view->selectionBandRight(), static_cast<int>(88199 / view->columns().samplesPerPixel + 0.5));
    EXPECT_FALSE(view->HasCapture());
}

TEST_F(WaveformTest, SearchEnabledSwitchesAreReported)
{
    std::vector<bool> switches;
    view->setSearchEnabledHook([&](bool on) { switches.push_back(on); });
    ASSERT_TRUE(view->searchEnabled());
    view->leftDown(100);                 // empty selection: off
    view->mouseMove(101, 10);            // one column: on
    view->mouseMove(140, 10);            // still on: nothing new
    view->leftUp();
    view->setSelectionAnchor(sampleAt(30)); // off again
    EXPECT_EQ(switches, (std::vector<bool>{false, true, false}));
    EXPECT_FALSE(view->searchEnabled());

    // Without a sound nothing happens at all.
    view->rebuild(nullptr);
    view->setSelectionEnd(5000);
    EXPECT_EQ(switches.size(), 3u);
}

TEST_F(WaveformTest, CrossfadeColoursOnlyWithACrossfadeLength)
{
    const wxColour pre(128, 128, 196), end(196, 128, 128), loop(200, 0, 64), cut(200, 200, 200);
    view->setLoop(30000, 60000);

    view->setCrossfadeLength(0);
    wxImage img = view->renderBitmap().ConvertToImage();
    EXPECT_EQ(countColour(img, pre), 0u);
    EXPECT_EQ(countColour(img, end), 0u);
    EXPECT_GT(countColour(img, loop), 100u);
    EXPECT_GT(countColour(img, cut), 10u);

    view->setCrossfadeLength(4410);
    img = view->renderBitmap().ConvertToImage();
    EXPECT_GT(countColour(img, pre), 20u);
    EXPECT_GT(countColour(img, end), 20u);
    // The end zone sits in the columns just before loop end.
    const double spp = view->columns().samplesPerPixel;
    const int xE = static_cast<int>(60000 / spp + 0.5);
    const int xEf = static_cast<int>(55590 / spp + 0.5);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (img.GetRed(x, y) == 196 && img.GetGreen(x, y) == 128 && img.GetBlue(x, y) == 128) {
                ASSERT_GE(x, xEf - 1);
                ASSERT_LE(x, xE);
            }

    // Cut option off: no cut colour after the loop.
    sound->cutAfterLoop = 0;
    view->cutOptionChanged();
    img = view->renderBitmap().ConvertToImage();
    EXPECT_EQ(countColour(img, cut), 0u);
}

TEST_F(WaveformTest, PlayCursorLeavesNoTrace)
{
    view->setLoop(30000, 60000);
    view->setCrossfadeLength(2000);
    view->setSelectionStart(10000);
    view->setSelectionEnd(40000);
    const wxImage before = view->renderBitmap().ConvertToImage();

    view->showCursor(22050);
    const int col = view->cursorColumn();
    EXPECT_EQ(col, static_cast<int>(22050 / view->columns().samplesPerPixel + 0.5));
    wxImage shown = view->renderBitmap().ConvertToImage();
    for (int y = 0; y < kHeight; ++y) {
        ASSERT_EQ(shown.GetRed(col, y), 255 - before.GetRed(col, y));
        ASSERT_EQ(shown.GetBlue(col, y), 255 - before.GetBlue(col, y));
        ASSERT_EQ(shown.GetRed(col + 1, y), before.GetRed(col + 1, y));
    }

    // Alternate loop: forward to loop end, then back.
    view->advanceCursor(50000, 4);
    // 72050 is past loop end: kept unreflected (30000 + 42050 mod 60000), shown at 2 * 60000 - 72050.
    EXPECT_EQ(view->cursorSample(), 72050);
    EXPECT_EQ(view->cursorColumn(), static_cast<int>((2 * 60000 - 72050) / view->columns().samplesPerPixel + 0.5));
    uitest::pumpFor(20);
    view->advanceCursor(700, 3);
    view->hideCursor();
    EXPECT_FALSE(view->cursorShown());
    const wxImage after = view->renderBitmap().ConvertToImage();
    ASSERT_EQ(after.GetWidth(), before.GetWidth());
    EXPECT_EQ(0, memcmp(after.GetData(), before.GetData(), static_cast<size_t>(kWidth) * kHeight * 3));
}

TEST_F(WaveformTest, ReadOutsAndRightClickHooks)
{
    auto* timeText = new wxStaticText(frame, wxID_ANY, "");
    auto* levelText = new wxStaticText(frame, wxID_ANY, "");
    view->setReadoutControls(timeText, levelText);
    wxString time, level;
    view->setReadoutHook([&](const wxString& t, const wxString& l) {
        time = t;
        level = l;
    });
    // Column 363 of 726 over 2 s: 1000 ms. Row 54 is the upper channel's centre.
    view->mouseMove(363, kHeight / 4);
    EXPECT_EQ(time, "1000 ms");
    EXPECT_EQ(level, "-inf");
    EXPECT_EQ(timeText->GetLabel(), "1000 ms");
    EXPECT_EQ(levelText->GetLabel(), "-inf");
    view->mouseMove(kWidth + 5, 10); // outside: unchanged
    EXPECT_EQ(time, "1000 ms");

    int fftCalls = 0;
    int fineCalls = 0;
    view->setFftOptionsHook([&] { ++fftCalls; });
    view->setFineSearchHook([&](int32_t& startMs, int32_t& endMs) {
        ++fineCalls;
        EXPECT_EQ(startMs, 250); // 11025 samples
        EXPECT_EQ(endMs, 500);
        startMs = 100;
        endMs = 1500;
        return true;
    });
    view->setSelectionAnchor(11025);
    view->setSelectionEnd(22050);
    view->rightUp(true, false);
    view->rightUp(false, true);
    EXPECT_EQ(fftCalls + fineCalls, 0);
    view->rightUp(true, true);
    EXPECT_EQ(fftCalls, 1);
    view->rightUp(false, false);
    EXPECT_EQ(fineCalls, 1);
    EXPECT_EQ(view->selectionStart(), 4410);
    EXPECT_EQ(view->selectionEnd(), 66150);
}

TEST_F(WaveformTest, ScreenshotWithSelectionAndLoop)
{
    view->setSelectionAnchor(8000);
    view->setSelectionEnd(70000);
    view->setLoop(33000, 61000);
    view->setCrossfadeLength(5000);
    view->showCursor(45000);
    const wxBitmap shot = view->renderBitmap();
    view->hideCursor();
    ASSERT_TRUE(shot.IsOk());
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    const wxString dir = RINGTIDE_SCREENSHOT_DIR;
    wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    EXPECT_TRUE(shot.ConvertToImage().SaveFile(dir + "/waveform.png", wxBITMAP_TYPE_PNG));

    // The three crossfade pictures, enlarged, beside each other.
    wxImage kinds(3 * 14 * 4, 14 * 4);
    kinds.SetRGB(wxRect(0, 0, kinds.GetWidth(), kinds.GetHeight()), 240, 240, 240);
    for (int k = 0; k < 3; ++k) {
        wxImage pic = CCrossfadePicture::curveBitmap(k).ConvertToImage();
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 12; ++x)
                if (pic.GetAlpha(x, y) != 0)
                    kinds.SetRGB(wxRect((k * 14 + 1 + x) * 4, (1 + y) * 4, 4, 4), pic.GetRed(x, y),
                                 pic.GetGreen(x, y), pic.GetBlue(x, y));
    }
    EXPECT_TRUE(kinds.SaveFile(dir + "/crossfade_kinds.png", wxBITMAP_TYPE_PNG));
}

TEST(CrossfadePicture, ShowsTheShapeOfEachKind)
{
    // Opaque rows per column (the curve, not the base line).
    auto curveRow = [](const wxImage& img, int x) {
        for (int y = 0; y < 12; ++y)
            if (img.GetAlpha(x, y) != 0 && img.GetBlue(x, y) == 128 && img.GetRed(x, y) == 0)
                return y;
        return -1;
    };
    const wxImage linear = CCrossfadePicture::curveBitmap(0).ConvertToImage();
    const wxImage expo = CCrossfadePicture::curveBitmap(1).ConvertToImage();
    const wxImage inverse = CCrossfadePicture::curveBitmap(2).ConvertToImage();
    ASSERT_EQ(linear.GetWidth(), 12);
    ASSERT_EQ(linear.GetHeight(), 12);
    // All three rise from the bottom-left corner to the top-right corner.
    for (const wxImage* img : {&linear, &expo, &inverse}) {
        EXPECT_EQ(curveRow(*img, 11), 0);
    }
    EXPECT_EQ(curveRow(linear, 0), 11);
    EXPECT_EQ(curveRow(expo, 0), 11);
    // Mid-way the linear curve is half up, the exponential still near the
    // bottom and the inverse exponential already near the top.
    EXPECT_NEAR(curveRow(linear, 6), 5, 1);
    EXPECT_GE(curveRow(expo, 6), 10);
    EXPECT_LE(curveRow(inverse, 6), 1);

    wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "kinds");
    auto* pic = new CCrossfadePicture(frame);
    frame->Show();
    EXPECT_EQ(pic->kind(), 0);
    pic->setKind(2);
    EXPECT_EQ(pic->kind(), 2);
    pic->setKind(7);
    EXPECT_EQ(pic->kind(), 2);
    uitest::pumpFor(20);
    frame->Destroy();
    uitest::pumpFor(20);
}
