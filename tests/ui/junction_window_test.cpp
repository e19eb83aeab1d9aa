// The junction area in the main window: it shows the current loop's wrap, and
// its keys and the waveform's loop edges move the loop (undoably).
#include "main_window_fixture.h"

#include "views/ui/CJunctionPanel.h"
#include "views/ui/WaveformView.h"

namespace {

// A rising zero crossing as the search defines it, found by a plain scan.
int32_t nextRising(const std::vector<int16_t>& x, int32_t p)
{
    for (int32_t i = p + 1; i + 1 < static_cast<int32_t>(x.size()); ++i)
        if (x[size_t(i)] < 0 && x[size_t(i + 1)] >= 0)
            return i;
    return -1;
}

} // namespace

TEST_F(MainWindowTest, JunctionFollowsHandMovesOfTheLoopEnd)
{
    open(writeWave("tone", 40000, 1, wavbytes::SamplerLoop{0, 10001, 30000}));
    const int slot = dlg->doc.loops.currentSolution;
    ASSERT_TRUE(dlg->doc.loops.hasLoop(slot));
    const int32_t s = dlg->doc.loops.loopStart[slot];
    const int32_t e = dlg->doc.loops.loopEnd[slot];
    const std::vector<int16_t> x = dlg->doc.samples[0];

    dlg->onShowJunction();
    ASSERT_TRUE(dlg->junctionShown());
    CJunctionView* view = dlg->junctionPanel()->view();
    ASSERT_EQ(view->traces().size(), 1u);
    const int32_t h = view->traces()[0].halfSamples;
    // +-1 ms at 44.1 kHz.
    EXPECT_EQ(h, 44);
    EXPECT_EQ(view->traces()[0].plain[0][size_t(h - 1)], x[size_t(e)]);
    EXPECT_EQ(view->traces()[0].plain[0][size_t(h)], x[size_t(s + 1)]);
    EXPECT_NE(dlg->junctionPanel()->checkText().Find("Loop check:"), wxNOT_FOUND);

    dlg->doc.isSaved = true;
    // Shift+Right: the end to the next rising zero crossing.
    EXPECT_TRUE(view->handleKey(WXK_RIGHT, true, false));
    const int32_t moved = nextRising(x, e);
    ASSERT_GT(moved, e);
    EXPECT_EQ(dlg->doc.loops.loopEnd[slot], moved);
    EXPECT_EQ(dlg->doc.loops.loopStart[slot], s);
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_TRUE(enabled(ID_SAVE));
    EXPECT_EQ(dlg->waveform()->loopEnd(), moved);
    EXPECT_EQ(view->traces()[0].plain[0][size_t(h - 1)], x[size_t(moved)]);
    // Tab, then Left: the start one sample earlier.
    view->handleKey(WXK_TAB, false, false);
    view->handleKey(WXK_LEFT, false, false);
    EXPECT_EQ(dlg->doc.loops.loopStart[slot], s - 1);

    dlg->onUndo();
    EXPECT_EQ(dlg->doc.loops.loopStart[slot], s);
    EXPECT_EQ(dlg->doc.loops.loopEnd[slot], moved);
    dlg->onUndo(); // one step only: the second does nothing
    EXPECT_EQ(dlg->doc.loops.loopEnd[slot], moved);

    // The zoom rebuilds the traces at the new span: +-2 ms.
    view->zoomBy(1);
    EXPECT_EQ(view->traces()[0].halfSamples, 88);
}

TEST_F(MainWindowTest, DraggedLoopEdgeSnapsToARisingZeroCrossing)
{
    open(writeWave("tone", 40000, 1, wavbytes::SamplerLoop{0, 10001, 30000}));
    const int slot = dlg->doc.loops.currentSolution;
    const int32_t e = dlg->doc.loops.loopEnd[slot];
    const std::vector<int16_t> x = dlg->doc.samples[0];
    WaveformView* w = dlg->waveform();
    const double spp = w->columns().samplesPerPixel;
    const int column = markColumn(e, spp);
    w->leftDown(column);
    ASSERT_TRUE(w->draggingLoopEdge());
    w->mouseMove(column + 20, 10);
    const int32_t dropped = static_cast<int32_t>(sampleAtColumn(column + 20, spp));
    w->leftUp();
    const int32_t got = dlg->doc.loops.loopEnd[slot];
    EXPECT_LT(x[size_t(got)], 0);
    EXPECT_GE(x[size_t(got + 1)], 0);
    // The nearest crossing lies within half a period (about 100 samples).
    EXPECT_LE(std::abs(got - dropped), 101);
    // The selection was left alone by the edge drag.
    EXPECT_EQ(w->selectionStart(), w->selectionEnd());

    // With a modifier the edge stays where it was dropped.
    const int c2 = markColumn(got, spp);
    w->leftDown(c2);
    w->mouseMove(c2 - 10, 10);
    const int32_t free = static_cast<int32_t>(sampleAtColumn(c2 - 10, spp));
    w->leftUp(true);
    EXPECT_EQ(dlg->doc.loops.loopEnd[slot], free);
}
