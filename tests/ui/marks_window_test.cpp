// The file's other loops and cue points in the main window: drawn on the
// waveform with their tooltips, counted in the Wave properties read-out, and
// the three Operations commands that edit them, each undone like any edit.

#include "main_window_fixture.h"

#include "document/format.h"
#include "document/load_sound.h"
#include "views/ui/WaveformView.h"

#include <wx/image.h>

namespace {

// Chunk bodies as a sample maker's file holds them.
std::vector<uint8_t> samplerBody()
{
    std::vector<uint8_t> b;
    for (uint32_t v : {0u, 0u, 22676u, 60u, 0u, 0u, 0u, 2u, 0u}) // ... unity note 60, two loops
        wavbytes::put32(b, v);
    for (uint32_t v : {0u, 0u, 1001u, 30000u, 0u, 0u})  // forward, frames 1001 .. 30000
        wavbytes::put32(b, v);
    for (uint32_t v : {0u, 1u, 35000u, 40000u, 0u, 0u}) // alternate, frames 35000 .. 40000
        wavbytes::put32(b, v);
    return b;
}
std::vector<uint8_t> cueBody()
{
    std::vector<uint8_t> b;
    for (uint32_t v : {1u, 1u, 1u, 0u, 0u, 0u, 20000u}) // one point: id 1 at frame 20000
        wavbytes::put32(b, v);
    b[12] = 'd', b[13] = 'a', b[14] = 't', b[15] = 'a'; // its chunk id
    return b;
}
std::vector<uint8_t> labelList()
{
    std::vector<uint8_t> labl;
    wavbytes::put32(labl, 1);
    for (char c : std::string("Sustain"))
        labl.push_back(uint8_t(c));
    labl.push_back(0);
    std::vector<uint8_t> body = {'a', 'd', 't', 'l'};
    const std::vector<uint8_t> entry = wavbytes::chunk("labl", labl);
    body.insert(body.end(), entry.begin(), entry.end());
    return body;
}

class MarksWindowTest : public MainWindowTest {
protected:
    // A mono sound of 44100 frames with two loops, the first (frames 1001 ..
    // 30000) the one slot 0 shows, the second alternate over 35000 .. 40000,
    // and a cue point labelled "Sustain" at 20000.
    std::string writeMarked()
    {
        wavbytes::WavLayout w;
        std::vector<int16_t> s(44100);
        for (size_t i = 0; i < s.size(); ++i)
            s[i] = static_cast<int16_t>(9000 * std::sin(2 * M_PI * 220.0 * double(i) / 44100.0));
        w.data = wavbytes::pcm16(s);
        std::vector<uint8_t> file = wavbytes::build(w);
        for (const auto& c : {wavbytes::chunk("smpl", samplerBody()), wavbytes::chunk("cue ", cueBody()),
                              wavbytes::chunk("LIST", labelList())})
            file.insert(file.end(), c.begin(), c.end());
        wavbytes::set32(file, 4, static_cast<uint32_t>(file.size() - 8));
        const std::string path = folder + "/marks.wav";
        EXPECT_TRUE(wavbytes::writeFile(path, file));
        return path;
    }
    void openWithMarks()
    {
        // A sound edited by the case before is left unsaved.
        const bool modified = dlg->doc.isLoaded() && !dlg->doc.isSaved;
        open(writeMarked(),
             modified ? std::initializer_list<MessageAnswer>{MessageAnswer::No} : std::initializer_list<MessageAnswer>{});
        ASSERT_EQ(dlg->doc.loops.loopEnd[0], 30000);
        ASSERT_EQ(dlg->doc.marks.loops.size(), 2u);
        ASSERT_EQ(dlg->doc.marks.cues.size(), 1u);
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

TEST_F(MarksWindowTest, AKeptLoopAndAPlacedCueAreInTheSavedFile)
{
    openWithMarks();
    dlg->doc.cutAfterLoop = 0; // keep the sound after the current loop, and its rate
    dlg->doc.tuneSampleRate = 0;
    dlg->onKeepLoop();
    dlg->waveform()->setSelectionAnchor(42000);
    dlg->onPlaceCue();
    {
        uitest::ScriptedFiles names({folder + "/kept.wav"});
        uitest::ScriptedMessages none;
        dlg->onSaveAs();
    }
    SampleBuffer back;
    back.fileTitle = "kept";
    ASSERT_TRUE(loadSoundFile(back, folder + "/kept.wav").loaded);
    ASSERT_EQ(back.marks.loops.size(), 3u);
    EXPECT_EQ(back.marks.loops[1].start, 35000);
    EXPECT_EQ(back.marks.loops[2].start, 1001);
    EXPECT_EQ(back.marks.loops[2].end, 30000);
    ASSERT_EQ(back.marks.cues.size(), 2u);
    EXPECT_EQ(back.marks.cues[0].label, "Sustain");
    EXPECT_EQ(back.marks.cues[1].position, 42000);
}

} // namespace
