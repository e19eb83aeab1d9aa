// The file's other loops and cue points in the main window: drawn on the
// waveform with their tooltips, counted in the Wave properties read-out, and
// the three Operations commands that edit them, each undone like any edit.

#include "main_window_fixture.h"

#include "document/format.h"
#include "views/ui/WaveformView.h"

#include <wx/image.h>

namespace {

class MarksWindowTest : public MainWindowTest {
protected:
    // A mono sound of 44100 frames whose slot-0 loop is the file's first
    // loop (frames 1001 .. 30000); the file also has an alternate loop over
    // 35000 .. 40000 and a cue point "Sustain" at 20000.
    void openWithMarks()
    {
        // A sound edited by the case before is left unsaved.
        const bool modified = dlg->doc.isLoaded() && !dlg->doc.isSaved;
        open(writeWave("marks", 44100, 1, wavbytes::SamplerLoop{0, 1001, 30000}),
             modified ? std::initializer_list<MessageAnswer>{MessageAnswer::No} : std::initializer_list<MessageAnswer>{});
        SampleBuffer& doc = dlg->doc;
        ASSERT_TRUE(doc.loops.hasLoop(0));
        doc.marks.clear();
        FileLoop sustain;
        sustain.start = 1001;
        sustain.end = 30000;
        sustain.number = 1;
        FileLoop release;
        release.type = 1;
        release.start = 35000;
        release.end = 40000;
        release.number = 2;
        doc.marks.loops = {sustain, release};
        doc.marks.windowLoop = 0;
        CuePoint cue;
        cue.id = 1;
        cue.position = 20000;
        cue.hasLabel = true;
        cue.label = "Sustain";
        doc.marks.cues = {cue};
        doc.isSaved = true;
        dlg->setText(ID_WAVE_PROPERTIES, fileInformationText(doc));
        dlg->waveform()->Refresh();
    }
    int columnOf(int32_t frame) const
    {
        return static_cast<int>(frame / dlg->waveform()->columns().samplesPerPixel + 0.5);
    }
};

TEST_F(MarksWindowTest, OtherLoopsAndCuesAreDrawnInTheirOwnColoursWithTheirLabelsAsTooltips)
{
    openWithMarks();
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "44.100 Hz; 16 bit; Mono; 2 loops, 1 cue");

    WaveformView* view = dlg->waveform();
    const wxImage picture = view->renderBitmap().ConvertToImage();
    auto columnHas = [&](int x, unsigned char r, unsigned char g, unsigned char b) {
        for (int y = 0; y < picture.GetHeight(); ++y)
            if (picture.GetRed(x, y) == r && picture.GetGreen(x, y) == g && picture.GetBlue(x, y) == b)
                return true;
        return false;
    };
    // The other loop's two edges and the cue, each in its colour; the
    // current loop (the file's first) keeps its own markers only.
    EXPECT_TRUE(columnHas(columnOf(35000), 0, 140, 70));
    EXPECT_TRUE(columnHas(columnOf(40000), 0, 140, 70));
    EXPECT_TRUE(columnHas(columnOf(20000), 230, 120, 0));
    EXPECT_FALSE(columnHas(columnOf(1001), 0, 140, 70));
    EXPECT_FALSE(columnHas(columnOf(30000), 0, 140, 70));

    EXPECT_EQ(view->markTipAt(columnOf(35000) + 2).utf8_string(), "Loop 2 (frames 35000\u201340000, alternate)");
    EXPECT_EQ(view->markTipAt(columnOf(20000)), "Sustain (cue 1, frame 20000)");
    EXPECT_EQ(view->markTipAt(columnOf(10000)), "");
}

TEST_F(MarksWindowTest, TheThreeCommandsEditTheMarksAndUndoBringsThemBack)
{
    const struct {
        const char* name;
        int id;
        int32_t cursor;            // the selection's start
        const char* refusal;       // nullptr: the edit is made
        size_t loops, cues;        // in the file after the command
        const char* readout;       // the mention in Wave properties
    } cases[] = {
        {"keep", ID_KEEP_LOOP, 5000, nullptr, 3, 1, "3 loops, 1 cue"},
        {"remove", ID_REMOVE_LOOP, 37000, nullptr, 1, 1, "1 loop, 1 cue"},
        {"remove where only the current loop is", ID_REMOVE_LOOP, 10000,
         "There is no other loop of the file at the cursor (frame 10000).", 2, 1, "2 loops, 1 cue"},
        {"cue", ID_PLACE_CUE, 41000, nullptr, 2, 2, "2 loops, 2 cues"},
        {"cue where one is", ID_PLACE_CUE, 20000, "There is already a cue point at frame 20000.", 2, 1,
         "2 loops, 1 cue"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        openWithMarks();
        const FileMarks before = dlg->doc.marks;
        dlg->waveform()->setSelectionAnchor(c.cursor);
        {
            uitest::ScriptedMessages boxes(c.refusal ? std::initializer_list<MessageAnswer>{MessageAnswer::Ok}
                                                     : std::initializer_list<MessageAnswer>{});
            wxCommandEvent command(wxEVT_MENU, c.id);
            dlg->ProcessWindowEvent(command);
            if (c.refusal) {
                ASSERT_EQ(boxes.asked.size(), 1u);
                EXPECT_EQ(boxes.asked[0].text, c.refusal);
            }
        }
        const FileMarks& marks = dlg->doc.marks;
        EXPECT_EQ(marks.loops.size(), c.loops);
        EXPECT_EQ(marks.cues.size(), c.cues);
        EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), std::string("44.100 Hz; 16 bit; Mono; ") + c.readout);
        EXPECT_EQ(menuEnabled(ID_SAVE), c.refusal == nullptr);
        EXPECT_EQ(menuEnabled(ID_UNDO), c.refusal == nullptr);
        if (c.refusal)
            continue;
        if (c.id == ID_KEEP_LOOP) { // the current loop, as the file stores it
            EXPECT_EQ(marks.loops.back().start, 1001);
            EXPECT_EQ(marks.loops.back().end, 30000);
            EXPECT_EQ(marks.loops.back().type, 0u);
            EXPECT_EQ(marks.windowLoop, 0);
        }
        if (c.id == ID_REMOVE_LOOP)
            EXPECT_EQ(marks.loops[0].start, 1001); // the current loop's own stays
        if (c.id == ID_PLACE_CUE) {
            EXPECT_EQ(marks.cues.back().position, 41000);
            EXPECT_EQ(marks.cues.back().id, 2u);
        }
        dlg->onUndo();
        EXPECT_EQ(dlg->doc.marks.loops.size(), before.loops.size());
        EXPECT_EQ(dlg->doc.marks.cues.size(), before.cues.size());
        EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "44.100 Hz; 16 bit; Mono; 2 loops, 1 cue");
        dlg->onRedo();
        EXPECT_EQ(dlg->doc.marks.loops.size(), c.loops);
        EXPECT_EQ(dlg->doc.marks.cues.size(), c.cues);
    }
}

} // namespace
