// The file commands of the main window: Open, dropped files, Save, Save as,
// the save-changes question and the Save Options dialog.

#include "main_window_fixture.h"

#include "document/ui/CSaveOptionsDlg.h"
#include "document/wav_writer.h"
#include "views/ui/WaveformView.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/modalhook.h>
#include <wx/slider.h>

#include <cerrno>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

std::vector<uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sample `frame` of a 16-bit mono file with the canonical 44-byte header.
int16_t monoSampleInFile(const std::vector<uint8_t>& bytes, int frame)
{
    const size_t at = 44 + 2 * static_cast<size_t>(frame);
    return static_cast<int16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

uint32_t u32At(const std::vector<uint8_t>& bytes, size_t at)
{
    return bytes.at(at) | (bytes.at(at + 1) << 8) | (bytes.at(at + 2) << 16) | (uint32_t(bytes.at(at + 3)) << 24);
}

wxSlider* crossfadeSlider(const CMainDlg& dlg)
{
    return static_cast<wxSlider*>(dlg.control(ID_CROSSFADE_SLIDER));
}

// Answers the Save Options dialog when the window shows it; any other modal
// dialog falls through to the fail-on-modal hook.
class AnswerSaveOptions : public wxModalDialogHook {
public:
    explicit AnswerSaveOptions(std::function<int(CSaveOptionsDlg&)> answer) : answer_(std::move(answer)) { Register(); }
    ~AnswerSaveOptions() override { Unregister(); }
    int shown = 0;

protected:
    int Enter(wxDialog* dialog) override
    {
        auto* options = dynamic_cast<CSaveOptionsDlg*>(dialog);
        if (!options)
            return wxID_NONE;
        ++shown;
        return answer_(*options);
    }
    void Exit(wxDialog*) override {}

private:
    std::function<int(CSaveOptionsDlg&)> answer_;
};

// Makes every write of file contents fail as a full disk would.
class FullDisk {
public:
    FullDisk()
    {
        setFileFaultHook([](FileStage stage, uint64_t, size_t) { return stage == FileStage::Write ? ENOSPC : 0; });
    }
    ~FullDisk() { setFileFaultHook(nullptr); }
};

} // namespace

class FileWindowTest : public MainWindowTest {
protected:
    // Opens a sound and marks it modified as an edit would (frame 10 set to
    // `marker`); the retuning option is switched off so that saving keeps the rate.
    void openModified(const std::string& path, int16_t marker = 1234)
    {
        open(path);
        ASSERT_TRUE(dlg->doc.isLoaded());
        dlg->doc.tuneSampleRate = 0;
        dlg->doc.samples[0][10] = marker;
        dlg->doc.isSaved = false;
        dlg->enableMenuItem(ID_SAVE, true);
        dlg->enableControl(ID_SAVE);
    }

    void drop(std::initializer_list<std::string> paths, std::initializer_list<MessageAnswer> answers = {})
    {
        auto* files = new wxString[paths.size()]; // owned by the event
        int n = 0;
        for (const std::string& p : paths)
            files[n++] = wxString::FromUTF8(p);
        wxDropFilesEvent event(wxEVT_DROP_FILES, n, files);
        event.SetEventObject(dlg.get());
        uitest::ScriptedMessages boxes(answers);
        dlg->GetEventHandler()->ProcessEvent(event);
        asked = boxes.asked;
    }
};

TEST_F(FileWindowTest, OpenCancelledChangesNothing)
{
    const std::string path = writeWave("flute", 3000);
    openModified(path);
    dlg->bpmSettings.tempo = 120.0;
    open("");
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(dlg->doc.filePath, path);
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_EQ(dlg->doc.samples[0][10], 1234);
    EXPECT_EQ(dlg->bpmSettings.tempo, 120.0);
}

TEST_F(FileWindowTest, FailedOpenKeepsTheOldNameAndSaveWritesTheOldFile)
{
    const std::string good = writeWave("cello", 3000);
    openModified(good, 777);
    dlg->bpmSettings = {1, 6, 90.0, 2};
    const std::string bad = folder + "/broken.wav";
    ASSERT_TRUE(wavbytes::writeFile(bad, std::vector<uint8_t>(64, 'x')));

    open(bad, {MessageAnswer::No, MessageAnswer::Ok});
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].text, "Unhandled kind of file.");
    EXPECT_EQ(dlg->GetTitle(), "Ringtide - [cello]");
    EXPECT_EQ(dlg->doc.filePath, good);
    EXPECT_EQ(dlg->doc.fileTitle, "cello");
    EXPECT_EQ(dlg->doc.fileFolder, folder + "/");
    // Open forgets the BPM settings even when the load fails.
    EXPECT_FALSE(dlg->bpmSettings.isSet());

    {
        uitest::ScriptedMessages none;
        dlg->onSave();
    }
    EXPECT_EQ(monoSampleInFile(fileBytes(good), 10), 777);
    EXPECT_EQ(fileBytes(bad), std::vector<uint8_t>(64, 'x'));
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_FALSE(dlg->isMenuItemEnabled(ID_SAVE));
    EXPECT_FALSE(enabled(ID_SAVE));
}

TEST_F(FileWindowTest, TheFrameAcceptsDroppedFiles)
{
    EXPECT_NE(dlg->GetDropTarget(), nullptr);
}

TEST_F(FileWindowTest, DroppedNamesAreCheckedByTheirLastThreeCharacters)
{
    const std::string mixed = writeWave("Horn", 3000);
    const std::string mixedName = folder + "/horn.Wav";
    ASSERT_EQ(std::rename(mixed.c_str(), mixedName.c_str()), 0);
    drop({mixedName}, {MessageAnswer::Ok});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Unhandled type file.");
    EXPECT_EQ(asked[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(dlg->doc.isLoaded());

    const std::string upper = writeWave("Tuba", 3000);
    const std::string upperName = folder + "/TUBA.WAV";
    ASSERT_EQ(std::rename(upper.c_str(), upperName.c_str()), 0);
    dlg->bpmSettings.tempo = 100.0;
    drop({upperName});
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(dlg->doc.sampleCount, 3000);
    EXPECT_EQ(dlg->doc.fileTitle, "TUBA");
    EXPECT_EQ(dlg->doc.fileFolder, folder + "/");
    EXPECT_EQ(dlg->GetTitle(), "Ringtide - [TUBA]");
    // A dropped file keeps the BPM settings.
    EXPECT_EQ(dlg->bpmSettings.tempo, 100.0);

    // A folder comes with its trailing separator and is no WAV file.
    drop({folder + "/"}, {MessageAnswer::Ok});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Unhandled type file.");
    EXPECT_EQ(dlg->doc.fileTitle, "TUBA");
}

TEST_F(FileWindowTest, DroppingTwoFilesLoadsTheFirstAfterAWarning)
{
    const std::string first = writeWave("first", 2000);
    const std::string second = writeWave("second", 3000);
    drop({first, second}, {MessageAnswer::Ok});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Sorry, unable to handle more than 1 file.");
    EXPECT_EQ(dlg->doc.fileTitle, "first");
    EXPECT_EQ(dlg->doc.sampleCount, 2000);

    // Two names with the first of the wrong type: the warning, then the refusal.
    drop({folder + "/notes.txt", second}, {MessageAnswer::Ok, MessageAnswer::Ok});
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].text, "Unhandled type file.");
    EXPECT_EQ(dlg->doc.fileTitle, "first");
}

TEST_F(FileWindowTest, TheSaveChangesQuestionBeforeAReplace)
{
    const std::string violin = writeWave("violin", 3000);
    const std::string viola = writeWave("viola", 2500);
    const std::vector<uint8_t> original = fileBytes(violin);

    // Cancel: the modified sound stays, nothing is written.
    openModified(violin, 4321);
    drop({viola}, {MessageAnswer::Cancel});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].text, "Do you want to save changes to violin.wav?");
    EXPECT_EQ(asked[0].buttons, MessageButtons::YesNoCancel);
    EXPECT_EQ(asked[0].icon, MessageIcon::Question);
    EXPECT_EQ(dlg->doc.fileTitle, "violin");
    EXPECT_EQ(dlg->doc.samples[0][10], 4321);
    EXPECT_EQ(fileBytes(violin), original);

    // No: replaced without writing.
    drop({viola}, {MessageAnswer::No});
    EXPECT_EQ(dlg->doc.fileTitle, "viola");
    EXPECT_EQ(fileBytes(violin), original);

    // Yes: written, then replaced.
    openModified(violin, 4321);
    open(viola, {MessageAnswer::Yes});
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(dlg->doc.fileTitle, "viola");
    EXPECT_EQ(dlg->doc.sampleCount, 2500);
    EXPECT_EQ(monoSampleInFile(fileBytes(violin), 10), 4321);
}

TEST_F(FileWindowTest, AFailedSaveInTheQuestionKeepsTheUnsavedSound)
{
    const std::string violin = writeWave("violin", 3000);
    const std::string viola = writeWave("viola", 2500);
    const std::vector<uint8_t> original = fileBytes(violin);
    openModified(violin, 4321);
    {
        FullDisk disk;
        open(viola, {MessageAnswer::Yes, MessageAnswer::Ok});
    }
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1].text, "A problem happens in writing the file violin.wav!");
    EXPECT_EQ(dlg->doc.fileTitle, "violin");
    EXPECT_EQ(dlg->doc.samples[0][10], 4321);
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_EQ(fileBytes(violin), original);
}

TEST_F(FileWindowTest, ACancelledNameInTheQuestionStillReplaces)
{
    openModified(writeWave("violin", 3000));
    dlg->doc.fileTitle.clear();
    const std::string viola = writeWave("viola", 2500);
    uitest::ScriptedFiles names({viola, ""}); // the Open dialog, then the save dialog
    uitest::ScriptedMessages boxes({MessageAnswer::Yes});
    dlg->onOpen();
    ASSERT_EQ(names.asked.size(), 2u);
    EXPECT_EQ(names.asked[1].kind, FileDialogKind::Save);
    EXPECT_EQ(boxes.asked.at(0).text, "Do you want to save changes to NoName.wav?");
    EXPECT_EQ(dlg->doc.fileTitle, "viola");
}

TEST_F(FileWindowTest, SaveOfAnUnnamedSoundAsksForANameFirst)
{
    openModified(writeWave("scratch", 3000), 55);
    // As New leaves it: a sound with no file.
    dlg->doc.fileTitle.clear();
    dlg->doc.filePath.clear();
    dlg->doc.fileFolder = folder + "/";
    dlg->enableMenuItem(ID_SEARCH, true);
    dlg->enableControl(ID_SEARCH);

    // Cancel: nothing saved.
    {
        uitest::ScriptedFiles names({""});
        dlg->onSave();
        ASSERT_EQ(names.asked.size(), 1u);
        EXPECT_EQ(names.asked[0].kind, FileDialogKind::Save);
        EXPECT_EQ(names.asked[0].proposedPath, folder + "/.wav");
    }
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_TRUE(dlg->doc.fileTitle.empty());
    EXPECT_TRUE(enabled(ID_SAVE));

    const std::string target = folder + "/named.wav";
    {
        uitest::ScriptedFiles names({target});
        dlg->onSave();
    }
    EXPECT_EQ(dlg->GetTitle(), "Ringtide - [named]");
    EXPECT_EQ(dlg->doc.filePath, target);
    EXPECT_EQ(dlg->doc.fileTitle, "named");
    EXPECT_EQ(monoSampleInFile(fileBytes(target), 10), 55);
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_FALSE(enabled(ID_SAVE));
    EXPECT_FALSE(dlg->isMenuItemEnabled(ID_SAVE));
    EXPECT_FALSE(enabled(ID_SEARCH));
    EXPECT_FALSE(dlg->isMenuItemEnabled(ID_SEARCH));
    EXPECT_EQ(dlg->text(ID_WAVE_PROPERTIES), "44.100 Hz; 16 bit; Mono");
}

TEST_F(FileWindowTest, SaveWithCutReloadsTheShorterSound)
{
    const std::string path = writeWave("organ", 6000, 1, wavbytes::SamplerLoop{0, 1000, 2999});
    open(path);
    ASSERT_EQ(dlg->doc.loops.loopEnd[0], 2999);
    dlg->doc.tuneSampleRate = 0;
    ASSERT_TRUE(dlg->doc.cutAfterLoop);
    crossfadeSlider(*dlg)->SetValue(5);
    dlg->onCrossfadeSliderChanged();
    ASSERT_GT(dlg->crossfadeLength, 0);
    dlg->doc.isSaved = false;
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Yes});
        dlg->onSave();
    }
    // 3000 frames of 16-bit mono, then the sampler chunk.
    const std::vector<uint8_t> bytes = fileBytes(path);
    EXPECT_EQ(bytes.size(), 44u + 6000u + 68u);
    EXPECT_EQ(dlg->doc.sampleCount, 3000);
    EXPECT_EQ(dlg->doc.loops.loopStart[0], 999);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], 2999);
    EXPECT_EQ(dlg->text(ID_DURATION_TEXT), "68 ms");
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_FALSE(enabled(ID_SAVE));
    EXPECT_EQ(crossfadeSlider(*dlg)->GetValue(), 0);
}

TEST_F(FileWindowTest, SaveAsWithTheLoopOnTheLastFrameResetsTheCrossfade)
{
    const std::string path = writeWave("pipe", 6000, 1, wavbytes::SamplerLoop{0, 3000, 5999});
    open(path);
    const std::vector<uint8_t> original = fileBytes(path);
    dlg->doc.tuneSampleRate = 0;
    crossfadeSlider(*dlg)->SetValue(10);
    dlg->onCrossfadeSliderChanged();
    ASSERT_EQ(dlg->crossfadeLength, 441);
    dlg->enableMenuItem(ID_SEARCH, true);
    dlg->enableControl(ID_SEARCH);
    // What the crossfade will make of the loop, worked out here: one linear
    // pass with X = 441 blends the last sample fully into x[s].
    const int16_t beforeLoop = dlg->doc.samples[0][2999];

    const std::string target = folder + "/pipe-2.wav";
    {
        uitest::ScriptedFiles names({target});
        uitest::ScriptedMessages none;
        dlg->onSaveAs();
        ASSERT_EQ(names.asked.size(), 1u);
        EXPECT_EQ(names.asked[0].proposedPath, folder + "/pipe.wav");
    }
    EXPECT_EQ(dlg->GetTitle(), "Ringtide - [pipe-2]");
    EXPECT_EQ(dlg->doc.filePath, target);
    EXPECT_EQ(dlg->doc.sampleCount, 6000);
    EXPECT_EQ(fileBytes(path), original);
    const std::vector<uint8_t> bytes = fileBytes(target);
    ASSERT_EQ(bytes.size(), 44u + 12000u + 68u);
    EXPECT_EQ(u32At(bytes, 44 + 12000 + 52), 3000u);
    EXPECT_EQ(u32At(bytes, 44 + 12000 + 56), 5999u);
    // The crossfade is now in the samples, written and kept.
    EXPECT_EQ(dlg->doc.samples[0][5999], beforeLoop);
    EXPECT_EQ(monoSampleInFile(bytes, 5999), beforeLoop);
    // ... so it is not applied again.
    EXPECT_EQ(crossfadeSlider(*dlg)->GetValue(), 0);
    EXPECT_EQ(dlg->crossfadeLength, 0);
    EXPECT_EQ(dlg->text(ID_CROSSFADE_VALUE), "0 ms");
    EXPECT_EQ(dlg->waveform()->crossfadeLength(), 0);
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_FALSE(enabled(ID_SAVE));
    // Save as leaves Search alone.
    EXPECT_TRUE(enabled(ID_SEARCH));

    // Cancel of the name: nothing happens.
    uitest::ScriptedFiles names({""});
    dlg->onSaveAs();
    EXPECT_EQ(dlg->doc.filePath, target);
}

TEST_F(FileWindowTest, AFailedSaveKeepsTheDocumentUnsaved)
{
    const std::string path = writeWave("reed", 3000, 1, wavbytes::SamplerLoop{0, 1000, 2999});
    open(path);
    const std::vector<uint8_t> original = fileBytes(path);
    dlg->doc.tuneSampleRate = 0;
    crossfadeSlider(*dlg)->SetValue(5);
    dlg->onCrossfadeSliderChanged();
    dlg->doc.samples[0][10] = 99;
    dlg->doc.isSaved = false;
    dlg->enableMenuItem(ID_SAVE, true);
    dlg->enableControl(ID_SAVE);
    const std::vector<int16_t> samples = dlg->doc.samples[0];

    FullDisk disk;
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Ok});
        dlg->onSave();
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].text, "A problem happens in writing the file reed.wav!");
    }
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_TRUE(enabled(ID_SAVE));
    EXPECT_TRUE(dlg->isMenuItemEnabled(ID_SAVE));
    EXPECT_EQ(dlg->doc.samples[0], samples);
    EXPECT_EQ(crossfadeSlider(*dlg)->GetValue(), 5);
    EXPECT_EQ(fileBytes(path), original);

    // Save as to another name: the old name stays where the title says.
    {
        uitest::ScriptedFiles names({folder + "/elsewhere.wav"});
        uitest::ScriptedMessages boxes({MessageAnswer::Ok});
        dlg->onSaveAs();
    }
    EXPECT_EQ(dlg->doc.filePath, path);
    EXPECT_EQ(dlg->doc.fileTitle, "reed");
    EXPECT_EQ(dlg->GetTitle(), "Ringtide - [reed]");
    EXPECT_FALSE(dlg->doc.isSaved);
    EXPECT_FALSE(wxFileExists(folder + "/elsewhere.wav"));
}

TEST(FileWindowSaveOptions, TheAlternateBoxIsOffForAForwardLoop)
{
    SaveOptions start;
    start.cutAfterLoop = false;
    {
        CSaveOptionsDlg dialog(nullptr, start, true);
        EXPECT_EQ(dialog.GetTitle(), "Save Options");
        EXPECT_EQ(dialog.GetId(), 153);
        EXPECT_EQ(dialog.tuneBox()->GetLabel(), "Tune sample rate");
        EXPECT_EQ(dialog.cutBox()->GetLabel(), "Cut the wave after loop");
        EXPECT_EQ(dialog.alternateBox()->GetLabel(), "Simulate loop alternate by loop forward");
        EXPECT_EQ(dialog.FindWindow(1061), dialog.tuneBox());
        EXPECT_EQ(dialog.FindWindow(1062), dialog.cutBox());
        EXPECT_EQ(dialog.FindWindow(1063), dialog.alternateBox());
        EXPECT_TRUE(dialog.tuneBox()->GetValue());
        EXPECT_FALSE(dialog.cutBox()->GetValue());
        EXPECT_TRUE(dialog.alternateBox()->GetValue());
        EXPECT_FALSE(dialog.alternateBox()->IsEnabled());
        EXPECT_TRUE(dialog.cutBox()->IsEnabled());
        // Every label fits its box, and the buttons stand clear of the boxes.
        const wxRect ok = dialog.FindWindow(wxID_OK)->GetRect();
        for (wxCheckBox* box : {dialog.tuneBox(), dialog.cutBox(), dialog.alternateBox()}) {
            EXPECT_LE(box->GetBestSize().x, box->GetSize().x) << box->GetLabel();
            EXPECT_LT(box->GetRect().GetRight(), ok.GetLeft());
            EXPECT_LE(box->GetRect().GetBottom(), dialog.GetClientSize().y);
        }
    }
    CSaveOptionsDlg dialog(nullptr, start, false);
    EXPECT_TRUE(dialog.alternateBox()->IsEnabled());
    dialog.alternateBox()->SetValue(false);
    dialog.cutBox()->SetValue(true);
    const SaveOptions o = dialog.options();
    EXPECT_TRUE(o.tuneSampleRate);
    EXPECT_TRUE(o.cutAfterLoop);
    EXPECT_FALSE(o.simulateAlternate);
}

TEST_F(FileWindowTest, SaveOptionsStoreOnOkOnly)
{
    open(writeWave("lute", 6000, 1, wavbytes::SamplerLoop{0, 1000, 2999}));
    {
        AnswerSaveOptions answer([](CSaveOptionsDlg& d) {
            EXPECT_FALSE(d.alternateBox()->IsEnabled());
            d.tuneBox()->SetValue(false);
            d.cutBox()->SetValue(false);
            return wxID_CANCEL;
        });
        dlg->onSaveOptions();
        EXPECT_EQ(answer.shown, 1);
    }
    EXPECT_EQ(dlg->doc.tuneSampleRate, 1);
    EXPECT_EQ(dlg->doc.cutAfterLoop, 1);
    {
        AnswerSaveOptions answer([](CSaveOptionsDlg& d) {
            d.tuneBox()->SetValue(false);
            d.cutBox()->SetValue(false);
            return wxID_OK;
        });
        dlg->onSaveOptions();
    }
    EXPECT_EQ(dlg->doc.tuneSampleRate, 0);
    EXPECT_EQ(dlg->doc.cutAfterLoop, 0);
    EXPECT_EQ(dlg->doc.simulateAlternate, 1);

    // "No loop" selected: the command does nothing.
    dlg->doc.loops.currentSolution = 1;
    AnswerSaveOptions answer([](CSaveOptionsDlg&) { return wxID_OK; });
    dlg->onSaveOptions();
    EXPECT_EQ(answer.shown, 0);
}

TEST_F(FileWindowTest, ALoopSetInSlotZeroComesBackAfterSaveAndReopen)
{
    const std::string path = writeWave("tone", 8000);
    open(path);
    ASSERT_FALSE(dlg->doc.loops.hasLoop(0));
    dlg->doc.tuneSampleRate = 0;
    dlg->doc.cutAfterLoop = 0;
    dlg->doc.loops.loopStart[0] = 1999;
    dlg->doc.loops.loopEnd[0] = 5999;
    dlg->doc.loops.currentSolution = 0;
    dlg->doc.midiNote = 57;
    dlg->doc.isSaved = false;
    const std::vector<int16_t> head(dlg->doc.samples[0].begin(), dlg->doc.samples[0].begin() + 2000);
    {
        uitest::ScriptedMessages none;
        dlg->onSave();
    }
    const std::vector<uint8_t> bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 16000u + 68u);
    EXPECT_EQ(u32At(bytes, 44 + 16000 + 20), 57u); // unity note

    open(path);
    EXPECT_EQ(dlg->doc.sampleCount, 8000);
    EXPECT_EQ(dlg->doc.sampleRate, 44100);
    EXPECT_EQ(dlg->doc.loops.loopStart[0], 1999);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], 5999);
    EXPECT_TRUE(dlg->doc.loopForward);
    EXPECT_TRUE(enabled(ID_PLAY_LOOP));
    // No crossfade was set: the samples before the loop are untouched.
    EXPECT_EQ(std::vector<int16_t>(dlg->doc.samples[0].begin(), dlg->doc.samples[0].begin() + 2000), head);
}

TEST_F(FileWindowTest, SaveAsAsksBeforeReplacingTheNameReallyWritten)
{
    const std::string path = writeWave("viola", 3000);
    const std::string cello = writeWave("cello", 2000);
    open(path);
    const std::vector<uint8_t> original = fileBytes(cello);

    // "cello" typed where cello.wav exists: the question names the file that
    // would be replaced; No goes back to the dialog, with that name.
    {
        uitest::ScriptedFiles names({folder + "/cello", ""});
        uitest::ScriptedMessages boxes({MessageAnswer::No});
        dlg->onSaveAs();
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].text, "cello.wav already exists.\nDo you want to replace it?");
        EXPECT_EQ(boxes.asked[0].icon, MessageIcon::Question);
        EXPECT_EQ(boxes.asked[0].buttons, MessageButtons::YesNo);
        ASSERT_EQ(names.asked.size(), 2u);
        EXPECT_EQ(names.asked[1].proposedPath, cello);
    }
    EXPECT_EQ(fileBytes(cello), original);
    EXPECT_EQ(dlg->doc.filePath, path);

    // Yes replaces it.
    {
        uitest::ScriptedFiles names({folder + "/cello"});
        uitest::ScriptedMessages boxes({MessageAnswer::Yes});
        dlg->onSaveAs();
    }
    EXPECT_EQ(dlg->doc.filePath, cello);
    EXPECT_EQ(fileBytes(cello).size(), 44u + 6000u);

    // A new name is not asked about.
    {
        uitest::ScriptedFiles names({folder + "/double-bass"});
        uitest::ScriptedMessages none;
        dlg->onSaveAs();
    }
    EXPECT_EQ(dlg->doc.filePath, folder + "/double-bass.wav");
    EXPECT_TRUE(wxFileExists(folder + "/double-bass.wav"));
}

TEST_F(FileWindowTest, OpenStartsInTheFolderOfTheCurrentSound)
{
    {
        uitest::ScriptedFiles names({""});
        dlg->onOpen();
        ASSERT_EQ(names.asked.size(), 1u);
        EXPECT_EQ(names.asked[0].folder, "");
    }
    open(writeWave("horn", 3000));
    uitest::ScriptedFiles names({""});
    dlg->onOpen();
    ASSERT_EQ(names.asked.size(), 1u);
    EXPECT_EQ(names.asked[0].folder, folder + "/");
}

namespace {

// A steady 440 Hz sine (MIDI note 69) at 44100 Hz: period e = 44100 / 440.
std::vector<int16_t> sine440(int frames)
{
    std::vector<int16_t> s(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        s[i] = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * 440.0 * i / 44100.0)));
    return s;
}

} // namespace

TEST_F(FileWindowTest, AnAlternateLoopSavedUnrolledIsReloadedWithTheChosenRootNote)
{
    wavbytes::WavLayout w;
    w.data = wavbytes::pcm16(sine440(20000));
    const std::string path = folder + "/flute.wav";
    ASSERT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));
    open(path);
    const std::vector<int16_t> x = dlg->doc.samples[0];
    ASSERT_EQ(dlg->doc.detectedNote, 69);

    // An alternate loop over frames 1000 .. 1499, "Simulate loop alternate" on
    // (the default) and "Cut the wave after loop" off.
    dlg->doc.tuneSampleRate = 0;
    dlg->doc.cutAfterLoop = 0;
    ASSERT_TRUE(dlg->doc.simulateAlternate);
    dlg->doc.loops.loopStart[0] = 999;
    dlg->doc.loops.loopEnd[0] = 1499;
    dlg->doc.loops.currentSolution = 0;
    auto* type = static_cast<wxChoice*>(dlg->control(ID_LOOP_TYPE));
    type->SetSelection(1);
    dlg->onLoopTypeChanged();
    ASSERT_FALSE(dlg->doc.loopForward);
    // A root note other than the detected one.
    auto* notes = static_cast<wxChoice*>(dlg->control(ID_MIDI_NOTE));
    notes->SetSelection(64);
    dlg->onMidiNoteChanged();
    ASSERT_EQ(dlg->doc.midiNote, 64);

    {
        uitest::ScriptedMessages boxes({MessageAnswer::Yes});
        dlg->onSave();
    }
    // 1000 head frames, then 1000 loop frames; nothing after.
    const std::vector<uint8_t> bytes = fileBytes(path);
    ASSERT_EQ(bytes.size(), 44u + 4000u + 68u);
    const size_t smpl = 44 + 4000;
    EXPECT_EQ(u32At(bytes, smpl + 20), 64u); // unity note: the chosen one
    EXPECT_EQ(u32At(bytes, smpl + 48), 0u);  // forward
    EXPECT_EQ(u32At(bytes, smpl + 52), 1000u);
    EXPECT_EQ(u32At(bytes, smpl + 56), 1999u);

    // The window shows what the file holds: 2000 frames, the forward loop.
    EXPECT_EQ(dlg->doc.sampleCount, 2000);
    EXPECT_EQ(dlg->text(ID_DURATION_TEXT), "45 ms");
    EXPECT_EQ(dlg->doc.loops.loopStart[0], 999);
    EXPECT_EQ(dlg->doc.loops.loopEnd[0], 1999);
    EXPECT_TRUE(dlg->doc.loopForward);
    EXPECT_EQ(type->GetSelection(), 0);
    for (int i = 0; i < 2000; ++i)
        ASSERT_EQ(dlg->doc.samples[0][i], monoSampleInFile(bytes, i)) << i;
    // The head and the forward half of the loop are the sound's own frames.
    for (int i = 0; i < 1500; ++i)
        ASSERT_EQ(dlg->doc.samples[0][i], x[i]) << i;
    EXPECT_TRUE(dlg->doc.isSaved);
    EXPECT_FALSE(enabled(ID_SAVE));
}

// Every solution of the list, and "No loop": what is written (the loop, the
// length cut after it, the retuned rate) follows the selection.
TEST_F(FileWindowTest, SaveFollowsTheSelectedSolution)
{
    const int frames = 30000;
    wavbytes::WavLayout w;
    w.data = wavbytes::pcm16(sine440(frames));
    const std::string path = folder + "/sine.wav";
    ASSERT_TRUE(wavbytes::writeFile(path, wavbytes::build(w)));

    // Loop lengths near whole numbers of periods (e = 100.227 samples):
    // m = round(L / e) periods, so the tuned rate is 44100 L / (e m),
    // rounded.
    const int32_t lengths[SolutionTable::kSolutions] = {1002, 998, 1005, 2003, 1996, 3010, 995, 1503, 2508, 4001};
    const double e = 44100.0 / 440.0;
    auto loopStartOf = [](int k) { return 4999 + 1000 * k; };

    for (int k = 1; k <= SolutionTable::kSolutions; ++k) {
        SCOPED_TRACE(k);
        open(path);
        ASSERT_EQ(dlg->doc.detectedNote, 69);
        ASSERT_TRUE(dlg->doc.tuneSampleRate && dlg->doc.cutAfterLoop);
        auto* list = static_cast<wxChoice*>(dlg->control(ID_SOLUTIONS));
        list->Clear();
        for (int i = 0; i < SolutionTable::kSolutions; ++i) {
            dlg->doc.loops.loopStart[i] = loopStartOf(i);
            dlg->doc.loops.loopEnd[i] = loopStartOf(i) + lengths[i];
            list->Append(std::to_string(i + 1));
        }
        list->Append("No loop");
        list->Enable();
        list->SetSelection(k);
        dlg->onSolutionSelected();

        const std::string target = folder + "/sine-" + std::to_string(k) + ".wav";
        {
            uitest::ScriptedFiles names({target});
            uitest::ScriptedMessages none;
            dlg->onSaveAs();
        }
        const std::vector<uint8_t> bytes = fileBytes(target);
        if (k == SolutionTable::kSolutions) { // "No loop": the whole sound, untuned, no sampler chunk
            EXPECT_EQ(bytes.size(), 44u + 2u * frames);
            EXPECT_EQ(u32At(bytes, 24), 44100u);
            continue;
        }
        const int32_t s = loopStartOf(k), end = s + lengths[k];
        ASSERT_EQ(bytes.size(), 44u + 2u * (end + 1) + 68u);
        const size_t smpl = 44 + 2 * static_cast<size_t>(end + 1);
        EXPECT_EQ(u32At(bytes, smpl + 52), static_cast<uint32_t>(s + 1));
        EXPECT_EQ(u32At(bytes, smpl + 56), static_cast<uint32_t>(end));
        const double m = std::round(lengths[k] / e);
        const double tuned = 44100.0 * lengths[k] / (e * m);
        EXPECT_NEAR(u32At(bytes, 24), tuned, 1.0);
        EXPECT_NE(u32At(bytes, 24), 44100u);
        // The window reloaded the shorter file.
        EXPECT_EQ(dlg->doc.sampleCount, end + 1);
    }
}

// With the start-up save options (cut after the loop), the first plain Save
// that would replace the opened file with a shorter one asks; No writes
// nothing, Yes writes and is not asked again; Save as to a new name never asks.
TEST_F(FileWindowTest, SaveThatCutsTheOpenedFileAsksFirst)
{
    const std::string path = writeWave("trumpet", 3000, 1, wavbytes::SamplerLoop{0, 1001, 2000});
    const std::vector<uint8_t> original = fileBytes(path);
    open(path);
    ASSERT_TRUE(dlg->doc.loops.hasLoop(0));
    dlg->doc.tuneSampleRate = 0;
    ASSERT_NE(dlg->doc.cutAfterLoop, 0);

    {
        uitest::ScriptedMessages boxes({MessageAnswer::No});
        dlg->onSave();
        ASSERT_EQ(boxes.asked.size(), 1u);
        EXPECT_EQ(boxes.asked[0].buttons, MessageButtons::YesNo);
        EXPECT_EQ(boxes.asked[0].icon, MessageIcon::Question);
        EXPECT_NE(boxes.asked[0].text.find("trumpet.wav"), std::string::npos) << boxes.asked[0].text;
        // 3000 and 2001 frames at 44100 Hz.
        EXPECT_NE(boxes.asked[0].text.find("68 ms become 45 ms"), std::string::npos) << boxes.asked[0].text;
    }
    EXPECT_EQ(fileBytes(path), original);

    // Save as to another name does not ask, and leaves the opened file alone.
    const std::string copy = folder + "/copy.wav";
    {
        uitest::ScriptedFiles names({copy});
        uitest::ScriptedMessages none;
        dlg->onSaveAs();
        EXPECT_TRUE(none.asked.empty());
    }
    EXPECT_EQ(u32At(fileBytes(copy), 40), 2001u * 2); // the data chunk of the cut sound
    EXPECT_EQ(fileBytes(path), original);

    // Back to the opened file: Yes writes the cut version, once asked.
    open(path);
    dlg->doc.tuneSampleRate = 0;
    {
        uitest::ScriptedMessages boxes({MessageAnswer::Yes});
        dlg->onSave();
        EXPECT_EQ(boxes.asked.size(), 1u);
    }
    EXPECT_EQ(u32At(fileBytes(path), 40), 2001u * 2);
    dlg->doc.loops.loopStart[0] = 500;
    dlg->doc.loops.loopEnd[0] = 1500;
    {
        uitest::ScriptedMessages none;
        dlg->onSave();
        EXPECT_TRUE(none.asked.empty());
    }
    EXPECT_EQ(u32At(fileBytes(path), 40), 1501u * 2);
}

// The pointer's read-out belongs to the sound it was read from: a shorter
// sound opened after it starts with empty read-outs, and the next reading
// lies within its own 116 ms (trunc(5120 * 1000 / 44100 + 0.5)).
TEST_F(MainWindowTest, OpeningASoundEmptiesThePointerReadOut)
{
    open(writeWave("long", 77000));
    const int width = dlg->waveform()->GetClientSize().x;
    dlg->waveform()->mouseMove(width - 2, 10);
    ASSERT_NE(dlg->text(ID_MOUSE_X), "");
    open(writeWave("short", 5120));
    EXPECT_EQ(dlg->text(ID_MOUSE_X), "");
    EXPECT_EQ(dlg->text(ID_MOUSE_Y), "");
    dlg->waveform()->mouseMove(width - 2, 10);
    EXPECT_LE(std::atoi(dlg->text(ID_MOUSE_X).c_str()), 116);
}
