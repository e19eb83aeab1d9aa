#pragma once
// A main window for a test: created without the splash, shown, and destroyed
// at the end unless the test closed it. WAV files go to a temporary folder.

#include "../core/wav_bytes.h"
#include "platform/ui/CBitmapButton.h"
#include "app/CMainDlg.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/weakref.h>

#include <cmath>
#include <string>

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        dlg = new CMainDlg(false);
        dlg->Show();
        uitest::pumpFor(20);
        folder = wxFileName::CreateTempFileName("ringtide-ui").ToStdString();
        wxRemoveFile(folder);
        wxFileName::Mkdir(folder, 0700);
    }

    void TearDown() override
    {
        if (dlg)
            dlg->Destroy();
        uitest::pumpUntil([this] { return !dlg; }, 1000);
        wxFileName::Rmdir(folder, wxPATH_RMDIR_RECURSIVE);
    }

    // A 16-bit sine file of `frames` frames; loop as stored in a smpl chunk.
    std::string writeWave(const std::string& name, int frames, int channels = 1,
                          std::optional<wavbytes::SamplerLoop> loop = std::nullopt, uint32_t rate = 44100)
    {
        wavbytes::WavLayout w;
        w.channels = static_cast<uint16_t>(channels);
        w.sampleRate = rate;
        std::vector<int16_t> s(static_cast<size_t>(frames) * channels);
        for (int i = 0; i < frames; ++i)
            for (int c = 0; c < channels; ++c)
                s[i * channels + c] = static_cast<int16_t>(
                    12000 * std::exp(-2.0 * i / frames) * std::sin(2 * M_PI * 220.0 * (c + 1) * i / rate));
        w.data = wavbytes::pcm16(s);
        w.loop = loop;
        const std::string path = folder + "/" + name + ".wav";
        EXPECT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
        return path;
    }

    // Open through the command, answering the file dialog with `path`.
    void open(const std::string& path, std::initializer_list<MessageAnswer> answers = {})
    {
        uitest::ScriptedFiles files({path});
        uitest::ScriptedMessages boxes(answers);
        dlg->onOpen();
        asked = boxes.asked;
    }

    bool menuEnabled(int id) const { return dlg->isMenuItemEnabled(id); }
    bool enabled(int id) const { return dlg->control(id) && dlg->control(id)->IsEnabled(); }

    wxWeakRef<CMainDlg> dlg;
    std::string folder;
    std::vector<UserMessage> asked;
};

// A main window whose playback goes to the null output device, its clock
// stepped by the test. A derived fixture may set other options in its SetUp
// (after keeping the previous ones in `saved`); TearDown puts `saved` back.
class NullPlaybackWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        saved = CMainDlg::playbackDeviceOptions();
        CMainDlg::playbackDeviceOptions() = {CMainDlg::PlaybackDeviceOptions::Output::NullManual, 1.0, false};
        MainWindowTest::SetUp();
    }
    void TearDown() override
    {
        MainWindowTest::TearDown();
        CMainDlg::playbackDeviceOptions() = saved;
    }

    CMainDlg::PlaybackDeviceOptions saved;
};
