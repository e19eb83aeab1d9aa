#include "main_window_fixture.h"

#include "platform/ui/CUpDownCtrl.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <set>

namespace {

const int kAllMenuItems[] = {ID_NEW, ID_LOAD, ID_SAVE, ID_SAVE_AS, ID_EXIT, ID_SEARCH, ID_UNDO, ID_REDO,
                             ID_REFINE_PITCH, ID_CUTBOOST, ID_ENHANCE, ID_HIPASS, ID_VOLUME, ID_NORMALIZE,
                             ID_RESAMPLE, ID_PITCH, ID_CHANGE_RATE, ID_INHARMONIC_EXTRACTION,
                             ID_HARMONIC_EXTRACTION, ID_BPM_SET, ID_CROSSFADE_OPTIONS, ID_SAVE_OPTIONS,
                             ID_FFT_OPTIONS, ID_HELP_MANUAL, ID_ABOUT};
const int kToolbar[] = {ID_NEW, ID_LOAD, ID_SAVE, ID_SAVE_AS, ID_UNDO, ID_REDO, ID_SEARCH,
                        ID_VOLUME, ID_NORMALIZE, ID_RESAMPLE, ID_PITCH, ID_HIPASS, ID_PLAY, ID_PLAY_CL,
                        ID_PLAY_LOOP, ID_PLAY_SA, ID_CUTBOOST, ID_REFINE_PITCH, ID_TUNE};

std::set<int> enabledMenuItems(const CMainDlg& dlg)
{
    std::set<int> on;
    for (int id : kAllMenuItems)
        if (dlg.isMenuItemEnabled(id))
            on.insert(id);
    return on;
}

std::set<int> enabledToolbar(const CMainDlg& dlg)
{
    std::set<int> on;
    for (int id : kToolbar)
        if (dlg.control(id)->IsEnabled())
            on.insert(id);
    return on;
}

wxRect dlu(const CMainDlg& dlg, int x, int y, int w, int h)
{
    return wxRect(dlg.panel()->ConvertDialogToPixels(wxPoint(x, y)), dlg.panel()->ConvertDialogToPixels(wxSize(w, h)));
}

wxSlider* slider(const CMainDlg& dlg) { return static_cast<wxSlider*>(dlg.control(ID_CROSSFADE_SLIDER)); }
wxChoice* choice(const CMainDlg& dlg, int id) { return static_cast<wxChoice*>(dlg.control(id)); }

} // namespace

TEST_F(MainWindowTest, StartsWithOnlyNewOpenExitCrossfadeOptionsAndHelp)
{
    EXPECT_EQ(enabledMenuItems(*dlg),
              (std::set<int>{ID_NEW, ID_LOAD, ID_EXIT, ID_CROSSFADE_OPTIONS, ID_HELP_MANUAL, ID_ABOUT}));
    EXPECT_EQ(enabledToolbar(*dlg), (std::set<int>{ID_NEW, ID_LOAD}));
    for (int id : {ID_ENHANCE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE, ID_SOLUTIONS})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(ID_EXIT));
    EXPECT_TRUE(enabled(ID_SHOW_PROFILES));
    EXPECT_EQ(dlg->GetTitle(), "Ringtide");
    EXPECT_FALSE(dlg->undoAvailable || dlg->redoAvailable || dlg->searching);
    EXPECT_TRUE(dlg->searchEnabled);
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_FALSE(dlg->doc.isLoaded());
}

TEST_F(MainWindowTest, StartValuesOfTheParameterControls)
{
    EXPECT_EQ(dlg->text(ID_MIN_LOOP_EDIT), "50");
    EXPECT_EQ(dlg->text(ID_MAX_LOOP_EDIT), "100");
    EXPECT_EQ(dlg->text(ID_HARMONIC_EDIT), "1");
    EXPECT_EQ(dlg->text(ID_ENHANCE_EDIT), "0");
    EXPECT_EQ(dlg->text(ID_OVERLAP_EDIT), "50");
    EXPECT_EQ(dlg->upDown(ID_ENHANCE_SPIN)->minimum(), -18);
    EXPECT_EQ(dlg->upDown(ID_ENHANCE_SPIN)->maximum(), 18);
    EXPECT_EQ(dlg->upDown(ID_HARMONIC_SPIN)->minimum(), 1);
    EXPECT_EQ(dlg->upDown(ID_HARMONIC_SPIN)->maximum(), 32);
    EXPECT_EQ(choice(*dlg, ID_LOOP_TYPE)->GetStringSelection(), "Loop forward");
    EXPECT_EQ(choice(*dlg, ID_CROSSFADE_KIND)->GetStringSelection(), "Linear");
    EXPECT_EQ(choice(*dlg, ID_CROSSFADE_KIND)->GetCount(), 3u);
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetCount(), 0u);
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetSelection(), wxNOT_FOUND);
    ASSERT_EQ(choice(*dlg, ID_MIDI_NOTE)->GetCount(), 128u);
    EXPECT_EQ(choice(*dlg, ID_MIDI_NOTE)->GetString(0), "C-1 (0)");
    EXPECT_EQ(choice(*dlg, ID_MIDI_NOTE)->GetString(127), "G9 (127)");
    EXPECT_EQ(slider(*dlg)->GetMin(), 0);
    EXPECT_EQ(slider(*dlg)->GetMax(), 10000);
    EXPECT_EQ(slider(*dlg)->GetLineSize(), 10);
    EXPECT_EQ(slider(*dlg)->GetPageSize(), 100);
    auto* progress = static_cast<wxGauge*>(dlg->control(ID_PROGRESS));
    EXPECT_EQ(progress->GetRange(), 10);
    EXPECT_FALSE(progress->IsShown());
    for (int id : {ID_LOOP_START_TEXT, ID_LOOP_LENGTH_TEXT, ID_DURATION_TEXT, ID_WAVE_PROPERTIES, ID_PITCH_TEXT,
                   ID_MOUSE_X, ID_MOUSE_Y, ID_HARMONIC_OF, ID_AMPLITUDE_TITLE})
        EXPECT_EQ(dlg->text(id), "") << id;
}

TEST_F(MainWindowTest, ControlsSitAtTheirDialogUnitPlaces)
{
    EXPECT_EQ(dlg->control(ID_WAVEFORM_VIEW)->GetRect(), dlu(*dlg, 3, 74, 341, 103));
    EXPECT_EQ(dlg->control(ID_SPECTRUM_VIEW)->GetRect(), dlu(*dlg, 3, 192, 341, 51));
    EXPECT_EQ(dlg->control(ID_FREQUENCY_PROFILE)->GetRect(), dlu(*dlg, 3, 302, 341, 37));
    EXPECT_EQ(dlg->control(ID_AMPLITUDE_PROFILE)->GetRect(), dlu(*dlg, 3, 351, 341, 37));
    EXPECT_EQ(dlg->control(ID_EXIT)->GetRect(), dlu(*dlg, 261, 255, 83, 13));
    EXPECT_EQ(dlg->control(ID_WAVE_PROPERTIES)->GetRect(), dlu(*dlg, 261, 245, 83, 10));
    for (int id : kToolbar) {
        const wxSize want = id == ID_SEARCH ? wxSize(43, 21) : wxSize(21, 21);
        EXPECT_EQ(dlg->control(id)->GetSize(), want) << id;
    }
    // The window hides the profile area: the client ends above its first control.
    const int clientBottom = dlg->GetClientSize().y;
    EXPECT_EQ(clientBottom, dlg->panel()->GetSize().y - dlg->profileAreaHeight());
    EXPECT_GE(dlg->control(ID_RECALCULATE)->GetRect().GetTop(), clientBottom);
    EXPECT_LE(dlg->control(ID_EXIT)->GetRect().GetBottom(), clientBottom);

    // No two visible controls of the window overlap (the spin controls sit in
    // their edit's rectangle on purpose and are counted with it).
    std::vector<wxWindow*> shown;
    for (wxWindow* w : dlg->panel()->GetChildren())
        if (w->IsShown() && w->GetRect().GetBottom() < clientBottom && w->GetId() != ID_DEFAULT_BUTTON)
            shown.push_back(w);
    for (size_t i = 0; i < shown.size(); ++i)
        for (size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i]->GetRect().Intersects(shown[j]->GetRect()))
                << shown[i]->GetId() << " '" << shown[i]->GetLabel() << "' overlaps " << shown[j]->GetId() << " '"
                << shown[j]->GetLabel() << "'";
}

TEST_F(MainWindowTest, ToolTipsOfReadOutsAndToolbar)
{
    auto tip = [&](int id) { return dlg->control(id)->GetToolTipText().ToStdString(); };
    EXPECT_EQ(tip(ID_MOUSE_X), "X coordinate of the mouse position");
    EXPECT_EQ(tip(ID_MOUSE_Y), "Y coordinate of the mouse position");
    EXPECT_EQ(tip(ID_LOOP_START_TEXT), "Start loop");
    EXPECT_EQ(tip(ID_LOOP_LENGTH_TEXT), "Loop length");
    EXPECT_EQ(tip(ID_DURATION_TEXT), "Total duration");
    EXPECT_EQ(tip(ID_WAVE_PROPERTIES), "Wave properties");
    EXPECT_EQ(tip(ID_PITCH_TEXT), "Pitch");
    EXPECT_EQ(tip(ID_SEARCH), "Search loop");
    EXPECT_EQ(tip(ID_PLAY_SA), "Play selected harmonic alone");
    EXPECT_EQ(tip(ID_HIPASS), "Clean low frequencies.. (Zero out all frequencies below the first harmonic)");
    EXPECT_EQ(tip(ID_MIN_LOOP_EDIT), "");
    dlg->setToolTipText(ID_SEARCH, "Stop searching");
    EXPECT_EQ(tip(ID_SEARCH), "Stop searching");
    for (int id : kToolbar)
        EXPECT_LE(tip(id).size(), 79u);
}

TEST_F(MainWindowTest, LoadingASoundWithoutLoop)
{
    open(writeWave("flute", 2000));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(dlg->GetTitle(), "Ringtide - [flute]");
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "44.100 Hz; 16 bit; Mono");
    EXPECT_EQ(dlg->text(ID_DURATION_TEXT), "45 ms"); // 2000 / 44.1 = 45.35
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), "");
    EXPECT_EQ(dlg->text(ID_LOOP_LENGTH_TEXT), "");
    EXPECT_EQ(dlg->text(ID_HARMONIC_OF), "the 1\xC2\xB0 harmonic of ");

    // Clean low frequencies follows the detected pitch (the 32 Hz rule); a
    // 2000-frame sound is analysed over 1024 samples, too short to resolve
    // 220 Hz well, so the test asks the rule rather than a pitch.
    std::set<int> expected{ID_NEW, ID_LOAD, ID_SAVE_AS, ID_PLAY, ID_VOLUME, ID_NORMALIZE,
                           ID_RESAMPLE, ID_PITCH, ID_CUTBOOST, ID_REFINE_PITCH};
    if (dlg->doc.pitchHz > 32.0)
        expected.insert(ID_HIPASS);
    EXPECT_EQ(enabledToolbar(*dlg), expected);
    EXPECT_FALSE(menuEnabled(ID_SAVE));
    EXPECT_TRUE(menuEnabled(ID_SAVE_AS));
    EXPECT_FALSE(menuEnabled(ID_SEARCH));
    EXPECT_FALSE(menuEnabled(ID_SAVE_OPTIONS));
    EXPECT_FALSE(menuEnabled(ID_BPM_SET));
    for (int id : {ID_FFT_OPTIONS, ID_CUTBOOST, ID_ENHANCE, ID_VOLUME, ID_NORMALIZE, ID_RESAMPLE, ID_PITCH,
                   ID_REFINE_PITCH, ID_CHANGE_RATE, ID_INHARMONIC_EXTRACTION, ID_HARMONIC_EXTRACTION})
        EXPECT_TRUE(menuEnabled(id)) << id;
    EXPECT_TRUE(enabled(ID_ENHANCE));
    EXPECT_FALSE(enabled(ID_SOLUTIONS));
    EXPECT_FALSE(enabled(ID_CROSSFADE_SLIDER));
    EXPECT_TRUE(dlg->doc.isSaved);
}

TEST_F(MainWindowTest, APitchOf32HzOrLessLeavesCleanLowFrequenciesOff)
{
    // A silent sound has no pitch (0 Hz): the rule keeps the command off.
    wavbytes::WavLayout silent;
    silent.channels = 1;
    silent.sampleRate = 44100;
    silent.data = wavbytes::pcm16(std::vector<int16_t>(2000, 0));
    const std::string path = folder + "/low.wav";
    ASSERT_TRUE(wavbytes::writeFile(path, wavbytes::build(silent)));
    open(path);
    EXPECT_EQ(dlg->doc.pitchHz, 0.0);
    EXPECT_FALSE(menuEnabled(ID_HIPASS));
    EXPECT_FALSE(enabled(ID_HIPASS));
    // unlockCommands applies the same rule on both sides of 32 Hz.
    dlg->doc.pitchHz = 32.0;
    dlg->unlockCommands();
    EXPECT_FALSE(menuEnabled(ID_HIPASS));
    dlg->doc.pitchHz = 32.01;
    dlg->unlockCommands();
    EXPECT_TRUE(menuEnabled(ID_HIPASS));
    EXPECT_TRUE(enabled(ID_HIPASS));
}

TEST_F(MainWindowTest, LoadingASoundWithLoopShowsItAndBoundsTheCrossfade)
{
    // smpl loop 10000..14409 (first and last sample): loopStart 9999, loopEnd 14409.
    open(writeWave("organ", 20000, 1, wavbytes::SamplerLoop{0, 10000, 14409}));
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(dlg->doc.loops.loopStart[0], 9999);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], 14409);
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), "227 ms");  // 9999 / 44.1 = 226.7
    EXPECT_EQ(dlg->text(ID_LOOP_LENGTH_TEXT), "100 ms"); // 4410 samples
    ASSERT_EQ(choice(*dlg, ID_SOLUTIONS)->GetCount(), 2u);
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetString(0), "1st   solution");
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetString(1), "No loop");
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetSelection(), 0);
    EXPECT_TRUE(enabled(ID_SOLUTIONS));
    // Smallest of 100 ms of loop, 226 ms before it and 10 s.
    EXPECT_EQ(slider(*dlg)->GetMax(), 100);
    EXPECT_EQ(dlg->crossfadeMaximum(), 100);
    EXPECT_EQ(slider(*dlg)->GetValue(), 0);
    EXPECT_EQ(dlg->text(ID_CROSSFADE_VALUE), "0 ms");
    slider(*dlg)->SetValue(40);
    dlg->onCrossfadeSliderChanged();
    EXPECT_EQ(dlg->text(ID_CROSSFADE_VALUE), "40 ms");
    EXPECT_EQ(dlg->crossfadeLength, 1764); // trunc(40 ms x 44.1)
    for (int id : {ID_PLAY_CL, ID_PLAY_LOOP, ID_TUNE, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE})
        EXPECT_TRUE(enabled(id)) << id;
    EXPECT_TRUE(menuEnabled(ID_SAVE_OPTIONS));
    EXPECT_TRUE(menuEnabled(ID_BPM_SET));
    EXPECT_FALSE(enabled(ID_SEARCH));
    EXPECT_FALSE(enabled(ID_SAVE));

    // A loop whose part before it is the shorter bounds the slider instead.
    open(writeWave("short-attack", 20000, 1, wavbytes::SamplerLoop{0, 2206, 12000}));
    EXPECT_EQ(slider(*dlg)->GetMax(), 49); // trunc(2204 / 44.1 ms) before the loop

    // A loop from the first sample leaves no room before it: no crossfade.
    open(writeWave("from-start", 20000, 1, wavbytes::SamplerLoop{0, 0, 999}));
    EXPECT_EQ(dlg->doc.loops.loopStart[0], -1);
    EXPECT_EQ(dlg->crossfadeMaximum(), 0);
    slider(*dlg)->SetValue(1); // GTK shows 0..1 at least; a move to 1 is taken back
    dlg->onCrossfadeSliderChanged();
    EXPECT_EQ(slider(*dlg)->GetValue(), 0);
    EXPECT_EQ(dlg->crossfadeLength, 0);
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), "0 ms");

    // Loading a file without loop takes the loop commands away again.
    open(writeWave("plain", 3000));
    EXPECT_EQ(choice(*dlg, ID_SOLUTIONS)->GetCount(), 0u);
    EXPECT_FALSE(enabled(ID_PLAY_CL));
    EXPECT_FALSE(menuEnabled(ID_SAVE_OPTIONS));
    EXPECT_EQ(dlg->text(ID_LOOP_START_TEXT), "");
}

TEST_F(MainWindowTest, StereoPropertiesAndTheShortFileWarning)
{
    open(writeWave("pad", 1000, 2, std::nullopt, 22050), {MessageAnswer::Ok});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "The number of samples should be at least 1024 to allow the functions to work properly.");
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "22.050 Hz; 16 bit; Stereo");
    EXPECT_EQ(dlg->text(ID_DURATION_TEXT), "45 ms");
    EXPECT_EQ(dlg->GetTitle(), "Ringtide - [pad]");
}

TEST_F(MainWindowTest, AFailedLoadKeepsTheSoundTitleAndCommands)
{
    const std::string good = writeWave("cello", 4000, 1, wavbytes::SamplerLoop{0, 1000, 3000});
    open(good);
    const std::string bad = folder + "/broken.wav";
    ASSERT_TRUE(wavbytes::writeFile(bad, std::vector<uint8_t>(64, 'x')));
    open(bad, {MessageAnswer::Ok});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Unhandled kind of file.");
    EXPECT_EQ(dlg->GetTitle(), "Ringtide - [cello]");
    EXPECT_EQ(dlg->doc.filePath, good);
    EXPECT_EQ(dlg->doc.fileTitle, "cello");
    EXPECT_EQ(dlg->doc.sampleCount, 4000);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], 3000);
    EXPECT_TRUE(enabled(ID_PLAY_LOOP));

    // Too short a file is refused with the stop icon.
    open(writeWave("click", 127), {MessageAnswer::Ok});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].icon, MessageIcon::Stop);
    EXPECT_EQ(dlg->doc.sampleCount, 4000);
}

TEST_F(MainWindowTest, OpenAsksToSaveAModifiedSoundAndCancelKeepsIt)
{
    open(writeWave("violin", 3000));
    dlg->doc.isSaved = false;
    const std::string other = writeWave("viola", 3000);
    open(other, {MessageAnswer::Cancel});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Do you want to save changes to violin.wav?");
    EXPECT_EQ(asked[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(asked[0].icon, MessageIcon::Question);
    EXPECT_EQ(dlg->doc.fileTitle, "violin");
    open(other, {MessageAnswer::No});
    EXPECT_EQ(dlg->doc.fileTitle, "viola");
}

TEST_F(MainWindowTest, LockingKeepsOneCommandAndUnlockingFollowsTheState)
{
    open(writeWave("harp", 20000, 1, wavbytes::SamplerLoop{0, 10000, 14409}));
    // As after a selection: Search is on, and a search keeps it as its Stop.
    dlg->enableMenuItem(ID_SEARCH, true);
    dlg->enableControl(ID_SEARCH);
    dlg->lockCommands(ID_SEARCH);
    EXPECT_EQ(enabledMenuItems(*dlg), (std::set<int>{ID_SEARCH, ID_CROSSFADE_OPTIONS, ID_HELP_MANUAL, ID_ABOUT}));
    EXPECT_EQ(enabledToolbar(*dlg), (std::set<int>{ID_SEARCH}));
    for (int id : {ID_ENHANCE, ID_EXIT, ID_SHOW_PROFILES, ID_CROSSFADE_SLIDER, ID_CROSSFADE_LABEL, ID_CROSSFADE_VALUE})
        EXPECT_FALSE(enabled(id)) << id;

    dlg->searchEnabled = false;
    dlg->undoAvailable = true;
    dlg->unlockCommands();
    // The 220 Hz tone is well above 32 Hz: Clean low frequencies is on.
    EXPECT_EQ(enabledToolbar(*dlg), (std::set<int>{ID_NEW, ID_LOAD, ID_SAVE_AS, ID_UNDO, ID_PLAY, ID_PLAY_CL,
                                                    ID_PLAY_LOOP, ID_TUNE, ID_VOLUME, ID_NORMALIZE, ID_RESAMPLE,
                                                    ID_PITCH, ID_HIPASS, ID_CUTBOOST, ID_REFINE_PITCH}));
    EXPECT_TRUE(menuEnabled(ID_UNDO));
    EXPECT_FALSE(menuEnabled(ID_REDO));
    EXPECT_FALSE(menuEnabled(ID_SAVE));
    EXPECT_TRUE(menuEnabled(ID_SAVE_OPTIONS));
    EXPECT_TRUE(enabled(ID_EXIT));
    EXPECT_TRUE(enabled(ID_CROSSFADE_SLIDER));

    // "No loop" selected: the loop commands stay off after unlocking.
    dlg->doc.loops.currentSolution = 1;
    dlg->doc.isSaved = false;
    dlg->unlockCommands();
    EXPECT_FALSE(enabled(ID_PLAY_LOOP));
    EXPECT_FALSE(menuEnabled(ID_BPM_SET));
    EXPECT_TRUE(enabled(ID_SAVE));
    EXPECT_TRUE(menuEnabled(ID_SAVE));
}

TEST_F(MainWindowTest, EscapeWithAModifiedSoundAsksTwiceAndCancelKeepsRunning)
{
    open(writeWave("oboe", 3000));
    dlg->doc.isSaved = false;
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Yes, MessageAnswer::Cancel});
        dlg->Raise();
        dlg->control(ID_EXIT)->SetFocus();
        uitest::pumpFor(50);
        wxUIActionSimulator sim;
        sim.Char(WXK_ESCAPE);
        ASSERT_TRUE(uitest::pumpUntil([&] { return boxes.asked.size() >= 2; }, 2000));
        EXPECT_EQ(boxes.asked[0].text, "Do you realy want to quit?");
        EXPECT_EQ(boxes.asked[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(boxes.asked[0].icon, MessageIcon::Question);
        EXPECT_EQ(boxes.asked[1].text, "Do you want to save changes to oboe.wav?");
    }
    uitest::pumpFor(50);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(dlg->doc.isLoaded());
    EXPECT_FALSE(dlg->doc.isSaved);

    // No to the first question: nothing else is asked.
    uitest::ScriptedMessages boxes({MessageAnswer::No});
    dlg->Close();
    uitest::pumpFor(20);
    EXPECT_EQ(boxes.asked.size(), 1u);
    EXPECT_TRUE(dlg);
}

TEST_F(MainWindowTest, ExitWithAnUnchangedSoundClosesWithoutAQuestion)
{
    open(writeWave("bell", 3000));
    wxCommandEvent click(wxEVT_BUTTON, ID_EXIT);
    click.SetEventObject(dlg->control(ID_EXIT));
    dlg->control(ID_EXIT)->GetEventHandler()->ProcessEvent(click);
    EXPECT_TRUE(uitest::pumpUntil([this] { return !dlg; }, 1000));
}

TEST_F(MainWindowTest, ExitOfAModifiedUnnamedSoundNamesItNoName)
{
    open(writeWave("x", 3000));
    dlg->doc.fileTitle.clear();
    dlg->doc.isSaved = false;
    uitest::ScriptedMessages boxes({MessageAnswer::No});
    dlg->onExit();
    ASSERT_EQ(boxes.asked.size(), 1u);
    EXPECT_EQ(boxes.asked[0].text, "Do you want to save changes to NoName.wav?");
    EXPECT_TRUE(uitest::pumpUntil([this] { return !dlg; }, 1000));
}

TEST_F(MainWindowTest, DevelopmentControlsShowOnTheirKey)
{
    const int ids[] = {ID_DEV_RS, ID_DEV_TRAK, ID_DEV_CH, ID_DEV_SL, ID_INVERT_CHIFF, ID_EXPORT_TXT, ID_TUNE_CICLIC31};
    for (int id : ids)
        EXPECT_FALSE(dlg->control(id)->IsShown()) << id;
    EXPECT_FALSE(static_cast<wxCheckBox*>(dlg->control(ID_EXPORT_TXT))->GetValue());
    wxCommandEvent key(wxEVT_MENU, ID_SHOW_DEVELOPMENT);
    dlg->ProcessWindowEvent(key);
    for (int id : ids)
        EXPECT_TRUE(dlg->control(id)->IsShown()) << id;
    EXPECT_TRUE(static_cast<wxCheckBox*>(dlg->control(ID_EXPORT_TXT))->GetValue());
    EXPECT_TRUE(static_cast<wxCheckBox*>(dlg->control(ID_INVERT_CHIFF))->GetValue());
    EXPECT_FALSE(static_cast<wxCheckBox*>(dlg->control(ID_TUNE_CICLIC31))->GetValue());
    EXPECT_FALSE(enabled(ID_DEV_CH));
    EXPECT_FALSE(enabled(ID_DEV_SL));
    EXPECT_TRUE(enabled(ID_DEV_RS));
}

TEST_F(MainWindowTest, HelpOpensTheManualAtItsContents)
{
    std::vector<std::string> pages;
    shell_hook::setManualResponder([&](const std::string& page) {
        pages.push_back(page);
        return true;
    });
    wxCommandEvent help(wxEVT_MENU, ID_HELP_MANUAL);
    dlg->ProcessWindowEvent(help);
    uitest::installDefaultPlatformHooks();
    EXPECT_EQ(pages, std::vector<std::string>{"index.html"});
}

TEST_F(MainWindowTest, ToolbarButtonsShowTheirFourImagesAndRouteClicks)
{
    CBitmapButton* load = dlg->toolbarButton(ID_LOAD);
    CBitmapButton* save = dlg->toolbarButton(ID_SAVE);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(load->image(static_cast<CBitmapButton::Image>(i)).IsOk()) << i;
    EXPECT_EQ(save->currentImage(), CBitmapButton::Disabled);
    EXPECT_EQ(load->currentImage(), CBitmapButton::Up);

    // A real click on LOAD reaches Open, which asks for a file (cancelled).
    uitest::ScriptedFiles files({""});
    dlg->Raise();
    uitest::pumpFor(50);
    wxUIActionSimulator sim;
    sim.MouseMove(load->GetScreenRect().GetPosition() + wxPoint(10, 10));
    sim.MouseClick();
    ASSERT_TRUE(uitest::pumpUntil([&] { return !files.asked.empty(); }, 2000));
    EXPECT_EQ(files.asked[0].kind, FileDialogKind::Open);
    EXPECT_FALSE(dlg->doc.isLoaded());
    EXPECT_NE(load->currentImage(), CBitmapButton::Pressed);
}

TEST_F(MainWindowTest, UpDownControlsStepWithinTheirRange)
{
    CUpDownCtrl* harmonic = dlg->upDown(ID_HARMONIC_SPIN);
    harmonic->step(-1);
    EXPECT_EQ(dlg->text(ID_HARMONIC_EDIT), "1");
    harmonic->step(+1);
    EXPECT_EQ(dlg->text(ID_HARMONIC_EDIT), "2");
    EXPECT_EQ(dlg->harmonic, 2);
    static_cast<wxTextCtrl*>(dlg->control(ID_HARMONIC_EDIT))->SetValue("40");
    EXPECT_EQ(harmonic->position(), 32);
    harmonic->step(+1);
    EXPECT_EQ(dlg->text(ID_HARMONIC_EDIT), "32");

    EXPECT_TRUE(dlg->readLoopLengths());
    EXPECT_EQ(dlg->minLoopLength, 50);
    static_cast<wxTextCtrl*>(dlg->control(ID_MAX_LOOP_EDIT))->ChangeValue("101");
    EXPECT_FALSE(dlg->readLoopLengths());
    EXPECT_EQ(dlg->maxLoopLength, 100);
}
