// A 24-bit sound in the window: its format in the wave properties, the one
// question before the first edit of its samples, and Undo bringing back the
// full resolution.

#include "main_window_fixture.h"
#include "processing/ui/CVolumeDlg.h"

#include <wx/modalhook.h>

namespace {

// Accepts the Volume dialog at -6 dB and counts how often it opened.
class VolumeAnswer : public wxModalDialogHook {
public:
    VolumeAnswer() { Register(); }
    ~VolumeAnswer() override { Unregister(); }
    int opened = 0;

protected:
    int Enter(wxDialog* dialog) override
    {
        auto* level = dynamic_cast<CLevelDlg*>(dialog);
        if (!level)
            return wxID_NONE;
        ++opened;
        level->levelDb = -6.0;
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

} // namespace

class HiResWindowTest : public MainWindowTest {
protected:
    // A stereo 24-bit file: left ramps up, right down, far from the clamp.
    std::string write24(int frames)
    {
        wavbytes::WavLayout w;
        w.channels = 2;
        w.bitsPerSample = 24;
        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < 2; ++c) {
                const int32_t v = (c == 0 ? 1 : -1) * (i * 997 % 4000000);
                for (int b = 0; b < 3; ++b)
                    w.data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * b)));
            }
        const std::string path = folder + "/deep.wav";
        EXPECT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
        return path;
    }
    void menu(int id)
    {
        wxCommandEvent e(wxEVT_MENU, id);
        dlg->ProcessWindowEvent(e);
    }
};

TEST_F(HiResWindowTest, FirstEditAsksOnceAndUndoRestoresFullResolution)
{
    open(write24(6000));
    ASSERT_TRUE(dlg->doc.isLoaded());
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "44.100 Hz; 24 bit; Stereo");
    const auto own = dlg->doc.fullRes.frames;
    ASSERT_TRUE(own);
    const std::vector<int16_t> image = dlg->doc.samples[0];
    // The image of frame 1: round(997 / 256) = 4.
    EXPECT_EQ(image[1], 4);

    VolumeAnswer volume;
    {
        // No: the command does not run at all.
        uitest::ScriptedMessages boxes({MessageAnswer::No});
        menu(ID_VOLUME);
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].buttons, MessageButtons::YesNo);
        EXPECT_NE(boxes.asked[0].text.find("24 bit"), std::string::npos);
    }
    EXPECT_EQ(volume.opened, 0);
    EXPECT_EQ(dlg->doc.samples[0], image);
    EXPECT_EQ(dlg->doc.fullRes.frames, own);
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Yes});
        menu(ID_VOLUME);
        EXPECT_EQ(boxes.asked.size(), 1u);
    }
    EXPECT_EQ(volume.opened, 1);
    EXPECT_NE(dlg->doc.samples[0], image);
    EXPECT_FALSE(dlg->doc.fullRes.present());
    EXPECT_EQ(dlg->doc.bitsPerSample, 16);
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "44.100 Hz; 16 bit; Stereo");

    dlg->onUndo();
    EXPECT_EQ(dlg->doc.samples[0], image);
    EXPECT_EQ(dlg->doc.fullRes.frames, own);
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "44.100 Hz; 24 bit; Stereo");
    {
        // Asked once per document: the next edit runs without the question.
        uitest::ScriptedMessages boxes;
        menu(ID_VOLUME);
        EXPECT_TRUE(boxes.asked.empty());
    }
    EXPECT_EQ(volume.opened, 2);
    EXPECT_FALSE(dlg->doc.fullRes.present());
}
