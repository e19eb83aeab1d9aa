#pragma once
// The main window: one fixed-size frame that behaves as the program's modal
// main dialog (the program ends when it closes). It owns the document and
// every control, and routes each menu item, toolbar button and control
// notification to one handler method. Handlers stay short: the work belongs
// to the document, loop, playback, dsp and processing modules.
//
// The window's code is split by area: CMainDlg.cpp (construction, start-up,
// enabling helpers), CMainDlg_layout.cpp (menu and controls in dialog units),
// CMainDlg_commands.cpp (routing, locking, leaving, help, About, development
// controls), CMainDlg_file.cpp (open, save, loading refresh),
// CMainDlg_loop.cpp, CMainDlg_playback.cpp, CMainDlg_processing.cpp and
// CMainDlg_pitchbpm.cpp.

#include "document/SampleBuffer.h"
#include "dsp/profile_worker.h"
#include "dsp/spectrum_analysis.h"
#include "document/undo_history.h"
#include "dsp/progress.h"
#include "extraction/extraction.h"
#include "extraction/tracker.h"
#include "loop/bpm.h"
#include "loop/loop_nudge.h"
#include "mixing/fft_mixing.h"

#include <wx/frame.h>
#include <wx/weakref.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CBitmapButton;
class CCrossfadePicture;
class CProfileView;
class CSpectrumView;
class WaveformView;
class CUpDownCtrl;
class wxPanel;
class wxChoice;
class wxSlider;
class wxGauge;
struct LoopSearchRequest;
class wxTextCtrl;
class wxCheckBox;
class wxDropFilesEvent;
struct PlaybackSource;
class wxTimer;

// Control and command ids of the main window. Menu items and the buttons that
// do the same thing share an id. wx accepts ids below 32767 only: the commands
// numbered 32773 .. 32798 and 57670 in the program's command table are kept
// here as that number minus 30000 (kCommandIdOffset).
constexpr int kCommandIdOffset = 30000;
enum MainId : int {
    ID_EXIT = 1,
    ID_CANCEL = 2,           // the Escape key and the close box
    ID_SYSMENU_ABOUT = 16,   // About from a system menu (none on GTK: Help > About)
    ID_LOAD = 1000,
    ID_NEW = 1001,
    ID_MOUSE_X = 1012,
    ID_MOUSE_Y = 1013,
    ID_SEARCH = 1014,
    ID_MIN_LOOP_EDIT = 1021,
    ID_MIN_LOOP_SPIN = 1022,
    ID_MAX_LOOP_SPIN = 1023,
    ID_LOOP_START_TEXT = 1024,
    ID_LOOP_LENGTH_TEXT = 1025,
    ID_DURATION_TEXT = 1026,
    ID_OVERLAP_SPIN = 1027,
    ID_PLAY = 1029,
    ID_MAX_LOOP_EDIT = 1032,
    ID_PLAY_SA = 1035,
    ID_UNDO = 1036,
    ID_MIDI_NOTE = 1037,
    ID_REDO = 1038,
    ID_HARMONIC_EDIT = 1039,
    ID_HARMONIC_SPIN = 1040,
    ID_ENHANCE_EDIT = 1041,
    ID_ENHANCE_SPIN = 1042,
    ID_WAVEFORM_VIEW = 1045,
    ID_SPECTRUM_VIEW = 1046,
    ID_AMPLITUDE_PROFILE = 1047,
    ID_FREQUENCY_PROFILE = 1048,
    ID_PROGRESS = 1052,
    ID_CROSSFADE_SLIDER = 1053,
    ID_CROSSFADE_VALUE = 1054,
    ID_WAVE_PROPERTIES = 1055, // also the menu command Change sample rate
    ID_CHANGE_RATE = 1055,
    ID_FFT_WINDOW = 1059,
    ID_EXPORT_TXT = 1061,
    ID_VOLUME = 1062,
    ID_RESAMPLE = 1063,
    ID_HIPASS = 1064,
    ID_ENHANCE = 1065,
    ID_CUTBOOST = 1066,
    ID_PITCH = 1067,
    ID_REFINE_PITCH = 1068,
    ID_SHOW_PROFILES = 1069,
    ID_CROSSFADE_PICTURE = 1070,
    ID_CROSSFADE_KIND = 1071,
    ID_FREQUENCY_TITLE = 1072,
    ID_PITCH_TEXT = 1073,
    ID_AMPLITUDE_TITLE = 1074,
    ID_HARMONIC_OF = 1075,
    ID_TUNE_CICLIC31 = 1076,
    ID_OVERLAP_EDIT = 1077,
    ID_RECALCULATE = 1078,
    ID_LOOP_TYPE = 1080,
    ID_CROSSFADE_LABEL = 1081,
    ID_SOLUTIONS = 1111,
    ID_DEV_TRAK = 1119,
    ID_DEV_CH = 1121,
    ID_DEV_SL = 1122,
    ID_PLAY_CL = 1127,
    ID_NORMALIZE = 1128,
    ID_DEFAULT_BUTTON = 1133,
    ID_INVERT_CHIFF = 1134,
    ID_TUNE = 1138,
    ID_SAVE = 32773 - kCommandIdOffset,
    ID_SAVE_AS = 32774 - kCommandIdOffset,
    ID_PLAY_LOOP = 32778 - kCommandIdOffset,
    ID_CROSSFADE_OPTIONS = 32784 - kCommandIdOffset,
    ID_SAVE_OPTIONS = 32785 - kCommandIdOffset,
    ID_FFT_OPTIONS = 32786 - kCommandIdOffset,
    ID_INHARMONIC_EXTRACTION = 32789 - kCommandIdOffset,
    ID_HARMONIC_EXTRACTION = 32790 - kCommandIdOffset,
    ID_DEV_RS = 32792 - kCommandIdOffset,
    ID_ABOUT = 32796 - kCommandIdOffset,
    ID_BPM_SET = 32798 - kCommandIdOffset,
    ID_HELP_MANUAL = 57670 - kCommandIdOffset,
    ID_SHOW_DEVELOPMENT = 3000, // Ctrl+Shift+D: shows the development controls
    ID_PROFILE_READOUT = 3001,  // the profile area's read-out text (no id of its own in the layout)
    ID_SHOW_JUNCTION = 3002,    // shows the junction area in place of the profiles
    ID_JUNCTION_AREA = 3003,
    ID_KEEP_LOOP = 3004,        // Operations: keep the current loop as one more loop of the file
    ID_REMOVE_LOOP = 3005,      // Operations: remove the file's loop under the cursor
    ID_PLACE_CUE = 3006,        // Operations: a cue point at the selection's start
    ID_AUTO_LOOP = 3007,        // Operations > Auto loop: the sustain and its best loop in one step
};

class CMainDlg : public wxFrame {
public:
    // showSplash false: no splash window (tests). Construction runs OnInitDialog.
    explicit CMainDlg(bool showSplash = true);
    ~CMainDlg() override;

    // ---- state shared with the dialogs and the modules ----------------------
    SampleBuffer doc;
    bool undoAvailable = false;
    bool redoAvailable = false;
    bool searching = false;
    bool searchEnabled = true;
    bool profilesReady = false;    // the profile displays hold a finished computation
    int16_t minLoopLength = 50;    // percent, edit 1021
    int16_t maxLoopLength = 100;   // percent, edit 1032
    int32_t crossfadeKind = 0;     // 0 linear, 1 exponential, 2 inverse exponential
    int32_t crossfadeLength = 0;   // X, in samples, from slider 1053 (which counts ms)
    int32_t crossfadePasses = 1;   // T, 1..4
    int16_t harmonic = 1;          // selected harmonic h, 1..32

    // ---- shared operations ---------------------------------------------------
    void OnInitDialog();
    // Disables every command but Crossfade options, Help and `keep`, which
    // becomes the Stop of a long task (0: keep nothing).
    void lockCommands(int keep);
    void unlockCommands();
    // Between lockCommands and unlockCommands: no command but the kept one
    // runs, and nothing dropped on the window is taken.
    bool commandsLocked() const { return commandsLocked_; }
    void updateLoopTexts();
    // Range 0..maxMs of the crossfade slider. GTK cannot show an empty range
    // (0..0 becomes 0..1), so the limit is also kept here and enforced on
    // every move: a loop starting at the first sample gets no crossfade.
    void setCrossfadeMaximum(int maxMs);
    int crossfadeMaximum() const { return crossfadeMaxMs_; }
    // The save-changes question and the release of the document; false when
    // the user cancelled.
    bool prepareToClose();
    // Reads doc.filePath (identity triple already set) and refreshes the
    // window; true when a new sound is in place.
    bool loadSound();
    // Yes of the save-changes question and Save: true when the document was written.
    bool saveDocument();
    // "Do you want to save changes to <name>.wav?" when a modified sound is
    // loaded; false when the user answered Cancel.
    bool askSaveChanges();

    void enableControl(int id);
    void disableControl(int id);
    void setControlEnabled(int id, bool enabled) { enabled ? enableControl(id) : disableControl(id); }
    void enableMenuItem(int id, bool enabled);
    bool isMenuItemEnabled(int id) const;
    void setText(int id, const std::string& text);
    std::string text(int id) const;
    void setToolTipText(int id, const std::string& tip);

    wxPanel* panel() const { return panel_; }
    // The self-painted displays: waveform 1045, spectrum 1046, crossfade kind 1070.
    WaveformView* waveform() const { return waveformView_; }
    CSpectrumView* spectrum() const { return spectrumView_; }
    CCrossfadePicture* crossfadePicture() const { return crossfadePicture_; }
    CBitmapButton* toolbarButton(int id) const;
    CUpDownCtrl* upDown(int id) const;
    wxWindow* control(int id) const;
    // Puts `view` (a child of panel()) in place of the placeholder with `id`:
    // same id, place and size. Used when the real displays are attached.
    void replaceView(int id, wxWindow* view);
    // Height in pixels of the profile area below the development row; the
    // window starts that much shorter than its layout.
    int profileAreaHeight() const { return profileAreaHeight_; }
    wxWindow* splashWindow() const { return splash_.get(); }
    // The panel keeps the layout's full height; the window only shows its
    // top part (a frame would otherwise stretch its one child to fit).
    bool Layout() override { return true; }
    bool developmentControlsShown() const { return developmentShown_; }
    void showDevelopmentControls();

    // ---- command handlers (one per command; see the cpp file of each area) ---
    void onNewMix();
    void onOpen();
    void onSave();
    void onSaveAs();
    void onExit();
    void onCancel();
    void onSearch();
    void onAutoLoop();
    void onUndo();
    void onRedo();
    void onManualPitch();
    void onCutBoost();
    void onEnhanceSmooth();
    void onCleanLowFrequencies();
    void onVolume();
    void onNormalize();
    void onResample();
    void onPitchShift();
    void onChangeSampleRate();
    void onTune();
    void onInharmonicExtraction();
    void onHarmonicExtraction();
    void onDevelopmentRS();
    void onDevelopmentTrak();
    void onDevelopmentCh();
    void onDevelopmentSl();
    void onBpmSet();
    void onCrossfadeOptions();
    void onSaveOptions();
    void onFftOptions();
    void onPlayOneShot();
    void onPlaySample();
    void onPlayLoopAlone();
    void onPlayHarmonic();
    void onShowProfiles();
    void onRecalculate();
    void onHelp();
    void onAbout();
    void onDropFiles(wxDropFilesEvent& event);
    // Notifications of the parameter controls.
    void onMinLoopLengthChanged();
    void onMaxLoopLengthChanged();
    void onHarmonicChanged();
    void onOverlapChanged();
    void onCrossfadeKindChanged();
    void onLoopTypeChanged();
    void onSolutionSelected();
    void onMidiNoteChanged();
    void onFftWindowChanged();
    void onCrossfadeSliderChanged();
    void onTimer();

    // Steps of the loading refresh that belong to features built elsewhere.
    void clearUndoHistory();
    void rebuildPlaybackBuffers();
    void rebuildWaveform();
    void detectPitch();
    void showLoopInViews();
    void clearViewSelections();
    void startProfileRefresh();

    // Each area declares its own members below, in its own block, so that
    // the areas can grow side by side.

    // ---- undo history and processing (CMainDlg_processing.cpp, CMainDlg_undo.cpp)
    // Snapshot of the document before an edit; enables Undo.
    void pushUndo();
    // After every edit: progress bar hidden, waveform rebuilt, spectrum
    // analysed with the current pitches as hints, beep (unless `beep` is
    // false: the cut/boost commit ends silently), Save enabled, isSaved
    // false, profiles started.
    void refreshAfterEdit(bool beep = true);
    // The same without starting the profile worker (Clean low frequencies).
    void refreshAfterEditWithoutProfiles(bool beep = true);
    // Copies the history's flags onto undoAvailable / redoAvailable and onto
    // the Undo and Redo menu items and buttons. Every change of the history
    // ends with it.
    void showUndoState();
    // Volume and Normalize once their dialog was accepted with `levelDb`:
    // the level is remembered, the pass runs with progress on control 1052
    // under the wait cursor, and a changed sound gets the after-edit refresh.
    void applyVolumeLevel(double levelDb);
    void applyNormalizeLevel(double levelDb);
    // Progress bar 1052 of the long processing commands: shown at 0, moved
    // to `position` of 0 .. range, hidden at 0 at the end.
    void showProgress();
    void setProgress(int position, int range);
    void hideProgress();

    UndoHistory undoHistory;
    double volumeGain = 1.0;     // linear, last level accepted in the Volume dialog
    double normalizeLevel = 1.0; // linear, last level accepted in the Normalize dialog
    // ---- end of undo history and processing

    // ---- filters: Clean low frequencies, Enhance/Smooth (CMainDlg_filters.cpp)
    // The progress bar as the filter engines' progress display reports to
    // it: shown on the first report, so a refused command never flashes it.
    ProgressCallback filterProgress();
    // ---- end of filters

    // ---- the file's other loops and cue points (CMainDlg_marks.cpp)
    void onKeepLoop();
    void onRemoveLoop();
    void onPlaceCue();
    // Enables the three commands: while a sound is loaded and no long task
    // runs; Keep loop also needs a loop in the selected slot.
    void onUpdateMarkCommand(wxUpdateUIEvent& event);
    // After an edit of the marks alone (the samples are as they were): the
    // waveform repainted, the Wave properties read-out rewritten, Save
    // enabled and the sound marked modified.
    void refreshAfterMarksEdit();
    // ---- end of the file's other loops and cue points

    // ---- resample, pitch shift, change sample rate, tune (CMainDlg_resample.cpp)
    int32_t lastResampleRate = -1; // rate last accepted in the Resample dialog; -1: none yet
    int16_t shiftSemitones = 0;    // interval last accepted in the Pitch shift dialog
    float shiftCents = 0.0f;
    // Converts every channel from fromRate to toRate and sets the rate to
    // toRate, under the wait cursor; then the loop is shown again and the
    // rate, duration and loop read-outs rewritten. Takes no snapshot; the
    // caller has passed checkResample and ends with refreshAfterEdit (the
    // waveform, the spectrum with the pitches as hints, the beep, Save and
    // the profiles).
    void resampleSound(int32_t fromRate, int32_t toRate);
    // Relabels the sound with newRate: its own undo snapshot, the pitch
    // scaled and shown, the read-outs rewritten, Save enabled. No sample or
    // loop changes, no beep.
    void setSampleRate(int32_t newRate);
    // Resample and Pitch shift once their dialog was accepted.
    void applyResample(int32_t rate);
    void applyPitchShift(int16_t semitones, float cents);

private:
    void showRateAndLoops();

public:
    // ---- end of resample, pitch shift, change sample rate, tune

    // ---- New by FFT mixing (CMainDlg_mixing.cpp)
    MixSettings mixSettings;  // stored back when the dialog closes with OK
    MixInput mixInputs[2];    // the dialog's two sounds, kept between openings
    MixResult mixResult;      // the last mix, kept between openings
    // Makes mixResult the document (after the save-first answer, when given):
    // undo snapshot, new sound, window refreshed as after a load but
    // unsaved, BPM settings reset, settings stored. False when the save
    // asked for failed or there is no result: nothing changed then.
    bool applyNewMix(bool saveFirst, const MixSettings& settings);
    // The mixing dialog's previews (modes 9 to 11): the engine plays
    // `source` at rateHz until stopMixPreview, which puts the sound's own
    // rate back. False when nothing started.
    bool startMixPreview(int32_t mode, const PlaybackSource& source, int32_t rateHz);
    void stopMixPreview();
    // ---- end of New by FFT mixing

    // ---- displays and pitch (CMainDlg_views.cpp)
    // Hooks the waveform and spectrum displays to the window (read-outs,
    // Search enabling, harmonic clicks, FFT options). Called once at start-up.
    void connectViews();
    // The spectrum analysis over the sound's analysis window. withHints false
    // is the automatic detection of a load, New, undo and redo, followed by
    // the pitch update (detectPitch() does the same). withHints true is the
    // refinement after an edit: each channel's fundamental is searched within
    // a factor 1.09 of its current channelPitch and the pitch display is left
    // as it was (pitch shift and FFT options call updatePitchDisplay after).
    void detectPitch(bool withHints);
    // The same with the frequencies chosen by hand (two entries, the second
    // read for a stereo sound only), as after manual pitch detection.
    void detectPitchNear(const double hintsHz[2]);
    // pitchHz, pitch text 1073, detectedNote = midiNote, note31, the MIDI note
    // selector 1037 and the enabling of Clean low frequencies, from channelPitch.
    void updatePitchDisplay();
    // Enables or grays Search (menu item and button) and keeps searchEnabled
    // and the waveform's own flag in step. While a search runs the button is
    // its Stop and is left alone; the flag still changes.
    void setSearchCommandEnabled(bool enabled);
    // The spectrum data of the last analysis (channels 0 before the first).
    const SpectrumAnalysis& spectrumAnalysis() const { return analysis_; }

private:
    void writeHarmonicTitles();
    SpectrumAnalysis analysis_;

public:
    // ---- end of displays and pitch

    // ---- loop search and loop parameters (CMainDlg_loop.cpp, CMainDlg_search.cpp)
    // The search runs on a worker thread over its own copy of the sound and of
    // the solution table; the window's thread takes the table back when the
    // run ends. Search pressed during a run asks it to stop (flag seen within
    // 100 ms); destroying the window stops and joins the worker.
    bool searchStopRequested() const;
    // Stops a running search, waits for its worker and applies the end of
    // the run at once (window's thread).
    void stopSearchAndWait();
    // After a change of a loop-length edit or of the loop type: enables
    // Search when a sound is loaded and the selection is not empty.
    void enableSearchIfSelection();
    // Data exchange of the loop-length edits with the standard prompts; false
    // (members unchanged, the bad edit focused) after a message.
    bool exchangeLoopLengths();
    // The crossfade slider's range for the current slot's loop, and X.
    void applyCrossfadeLimits();
    // The waveform's right click opens the fine-search dialog.
    void installLoopHooks();
    // Solutions list 1111 rebuilt from the loop slots (after Undo and Redo):
    // a label per filled slot and "No loop"; emptied and disabled when no
    // slot holds a loop, as after a load without one.
    void showSolutionsOfSlots();

private:
    class SearchRun;
    // Starts the worker on the search `request`, or on the Auto loop of the
    // whole sound when `automatic` (the request is then unused).
    void startSearchRun(const LoopSearchRequest& request, bool automatic);
    // After an Auto loop: loop type forward, the range it looked in selected.
    void showAutoLoopRange(int32_t from, int32_t to);
    // The worker's reports, on the window's thread; `serial` names the run so
    // that a report of an earlier run is ignored.
    void finishSearch(unsigned serial);
    void showSearchProgress(unsigned serial, int32_t position, int32_t range);
    void appendSolutionLabel(unsigned serial, int solutionCount);
    void fillSolutionList(int solutionCount);
    std::shared_ptr<SearchRun> searchRun_;

public:
    // ---- end of loop search and loop parameters

    // ---- playback (CMainDlg_playback.cpp)
    // Which output the next main windows open. The program uses the system's;
    // tests choose the null device (stepped by hand or on a steady clock) and
    // switch off the no-sound-card warning.
    struct PlaybackDeviceOptions {
        enum class Output { System, NullRealTime, NullManual, Given };
        Output output = Output::System;
        double speed = 1.0;               // NullRealTime: clock speed, 1 = real time
        bool warnWithoutSoundCard = true; // the box when no sound card opens, or one is lost
        // Output::Given: the output the next windows open (a test's device).
        static std::function<std::unique_ptr<class AudioDevice>()>& givenDevice();
    };
    static PlaybackDeviceOptions& playbackDeviceOptions();
    class PlaybackEngine* playbackEngine() const { return playback_.get(); }
    // Stops whatever plays, releases its button and erases the play cursor;
    // the streaming worker has ended when it returns. Call it before the
    // sound is replaced or freed.
    void stopPlayback();
    // The play button whose sound is playing (ID_PLAY, ID_PLAY_CL,
    // ID_PLAY_LOOP or ID_PLAY_SA), 0 while idle.
    int playingButton() const { return playingButton_; }

private:
    struct PlaybackRelay; // what the worker hands to the window's thread
    void startPlaybackFrom(int buttonId, int32_t mode);
    void takePlaybackSnapshot(int32_t mode);
    void releasePlayButton();
    void onPlayCursorPosted();
    // A sound card lost (or that will not start again) gives way to the null
    // device, with the no-sound-card warning.
    void fallBackIfSoundCardLost();

    int playingButton_ = 0;
    std::string playingToolTip_;   // the button's own tooltip while it reads "Stop"
    int64_t cursorPlayed_ = 0;     // samples played when the cursor was last moved
    std::shared_ptr<PlaybackRelay> playbackRelay_;
    // The engine streams from this copy, never from `doc`, so an edit cannot
    // pull an array from under the worker. Declared before the engine, so
    // that the engine (and its worker) goes first.
    SampleBuffer playSound_;
    std::shared_ptr<class PlaybackEngine> playback_;

public:
    // ---- end of playback

    // ---- cut/boost filter and FFT options (CMainDlg_cutboost.cpp)
    int16_t cutBoostGain = 0;      // dB last typed in the cut/boost dialog, also when cancelled
    int32_t cutBoostFreqPos = -1;  // frequency slider position last committed with OK; -1 none
    int32_t cutBoostWidthPos = -1; // width slider position last committed with OK; -1 none
    // The FFT options dialog over the sound, then the new window applied
    // (fitting rule), the spectrum analysed with the current pitches as
    // hints, the pitch display updated and, when the pitch moved more than
    // 5 %, the profiles recomputed. Nothing is pushed on the undo history.
    void runFftOptions();
    // The cut/boost dialog's preview through the window's engine: mode 2 (the
    // sound itself) or 8 (`source`, the dialog's working copies, which must
    // stay allocated until stopDialogPreview). False when nothing started.
    bool startDialogPreview(int32_t mode, const PlaybackSource& source);
    // Ends that preview; the engine no longer reads the dialog's arrays.
    void stopDialogPreview();
    // What the cut/boost dialog is given: the sound, its remembered values,
    // the engine and the two preview calls above.
    struct CutBoostHost cutBoostHost();
    // ---- end of cut/boost filter and FFT options
    // ---- harmonic profiles (CMainDlg_profiles.cpp)
    // The profile area's settings, the last finished computation (shared by
    // both displays and the harmonic synthesis) and the worker that computes
    // one run at a time over its own copy of the sound.
    HarmonicProfileState profileState;
    CProfileView* frequencyProfile() const { return frequencyProfileView_; }
    CProfileView* amplitudeProfile() const { return amplitudeProfileView_; }
    bool profileRunning() const { return profileSerial_ != 0; }
    // Waits for a running computation and applies its end at once (tests).
    void waitForProfiles();

private:
    void attachProfileViews();
    void startProfileRun();
    void showProfileProgress(unsigned serial, int position, int range);
    void finishProfiles(unsigned serial);
    void showProfileHarmonic();
    bool synthesizeSelectedHarmonic();
    void onHarmonicTimer();

    CProfileView* frequencyProfileView_ = nullptr;
    CProfileView* amplitudeProfileView_ = nullptr;
    unsigned profileSerial_ = 0;       // the run being waited for, 0 when none
    bool profileLocked_ = false;       // this run locked the commands
    std::unique_ptr<wxTimer> harmonicTimer_;

public:
    // ---- end of harmonic profiles

    // ---- files (CMainDlg_file.cpp)
    // The BPM machine's last accepted settings; -1 marks "unset", in which
    // case the dialog proposes values of its own. Open forgets them, a
    // dropped file keeps them.
    struct BpmMachineSettings {
        int32_t beatValueIndex = -1; // 0 "4", 1 "8"
        int16_t beatsPerMeasure = -1;
        double tempo = -1.0;         // beats per minute
        int16_t measures = -1;
        bool isSet() const
        {
            return beatValueIndex != -1 || beatsPerMeasure != -1 || tempo != -1.0 || measures != -1;
        }
    };
    BpmMachineSettings bpmSettings;
    void resetBpmSettings() { bpmSettings = BpmMachineSettings(); }
    // True while the last attempt to write the document failed (and not
    // merely had its name dialog cancelled): a "save changes" Yes must then
    // not let the pending action replace the unsaved sound.
    bool lastSaveFailed = false;
    // What a write told the window, beyond success.
    struct FileWriteResult {
        bool saved = false;
        bool hadLoop = false;      // the selected slot held a loop
        bool reloadNeeded = false; // the file holds another sound than the document
    };
    // saveDocument() with the details Save needs afterwards.
    FileWriteResult saveDocumentReporting();
    // Opens the file named on the command line, as a drop would (no
    // question: nothing is loaded yet); the old name stays on failure.
    bool openFile(const std::string& path);
    // ---- end of files

    // ---- harmonic extraction and tracker (CMainDlg_extraction.cpp)
    // An accepted extraction dialog: undo snapshot, the optimized resample
    // when asked, the comb filter over every channel with the progress bar
    // moving, then the after-edit refresh.
    void applyExtraction(const ExtractionSettings& settings);
    // The rate at which k periods span a power of two of samples
    // (optimized_sample_rate), in `rate`; false, after the resampler's
    // refusal message, when the sound cannot be converted to it.
    bool optimizedResampleRate(int32_t& rate);
    // Converts the sound to `rate` when it differs from the sound's; no undo
    // snapshot (the callers take it), no beep.
    void resampleToOptimizedRate(int32_t rate);
    // Trak once its dialog was accepted with `params` (remembered).
    void applyTracker(const TrackerParams& params);
    // Forgets the chiff and disables Ch and Sl: a load, New, a search, Undo,
    // Redo and every change of the sound's length make it meaningless.
    void discardTracker();
    const TrackerState& trackerState() const { return tracker_; }
    TrackerParams trackerParams;

private:
    void showTrackerExchange(bool chiffShown);
    TrackerState tracker_;

public:
    // ---- end of harmonic extraction and tracker

    // ---- manual pitch detection and BPM machine (CMainDlg_pitchbpm.cpp)
    // The bins chosen by hand (N * f / R for the current analysis window) as
    // hints: the pitch text is cleared, the spectrum analysed within a
    // factor 1.09 of them and the pitch updated. True when the pitch moved by
    // more than 5 %, which restarts the profiles. The samples stay: no undo.
    bool applyManualPitch(const double bins[2]);
    // The BPM dialog's start: the last accepted settings, or a proposal.
    BpmSettings bpmDialogStart() const;
    // The BPM dialog's OK: a refused rate shows a message and changes
    // nothing; an unchanged rate only remembers the settings; a new rate
    // takes the snapshot, relabels the sound (its pitch follows) and
    // refreshes the read-outs.
    BpmOutcome applyBpmSettings(const BpmSettings& settings);
    // ---- end of manual pitch detection and BPM machine
    // ---- junction area and hand-moved loop points (CMainDlg_junction.cpp)
    void onShowJunction();
    bool junctionShown() const;
    class CJunctionPanel* junctionPanel() const { return junctionPanel_; }
    // The junction display and the loop check beside it, after any change of
    // the loop, the solution, the loop type or the crossfade.
    void refreshJunction();
    // One step of a point of the current slot's loop; refused moves beep.
    void nudgeLoop(LoopPoint which, NudgeStep step, int direction);
    // A loop edge dropped on the waveform at `sample`.
    void dragLoopEdge(LoopPoint which, int32_t sample, bool snap);
    // The current slot gets `loop`: undo snapshot, Save enabled, crossfade
    // range, read-outs, views and a playing loop follow. False when refused.
    bool applyHandLoop(const LoopPoints& loop);

private:
    void createJunctionArea();
    NudgeContext nudgeContext() const;

public:
    // A loop that plays switches to the current slot's loop and crossfade at its next wrap.
    void handLoopToPlayback();

private:
    class CJunctionPanel* junctionPanel_ = nullptr;

public:
    // ---- end of junction area

    // ---- full-resolution sounds (CMainDlg_hires.cpp)
    // After an edit of the samples: the sound is now its 16-bit image; the
    // wave properties say so.
    void showSixteenBitFormat();
    // Commands that change the samples themselves (not only rate or loops).
    static bool changesSamples(int commandId);
    // Before such a command on a wide sound: asks once per document whether
    // to go on at 16 bits. False: the command does not run.
    bool agreeToSixteenBit();
    // ---- end of full-resolution sounds

    // Data exchange of the minimum and maximum loop-length edits: reads both
    // into minLoopLength / maxLoopLength; false (members unchanged) when one
    // does not hold a whole number in 0..100.
    bool readLoopLengths();

private:
    void createMenu();
    void createControls();
    void createToolbar();
    void createDevelopmentControls();
    void bindCommands();
    void setUpToolTips();
    void showSplash();
    void stopPlaybackTimerIfRunning();
    bool initPlaybackDevice();
    void releaseDocument();
    void refreshAfterLoad();
    void onClose(wxCloseEvent& event);
    void focusDefaultButton();
    wxRect dialogRect(int x, int y, int w, int h) const;

    wxPanel* panel_ = nullptr;
    WaveformView* waveformView_ = nullptr;
    CSpectrumView* spectrumView_ = nullptr;
    CCrossfadePicture* crossfadePicture_ = nullptr;
    wxMenu* menus_[6] = {};
    bool showSplash_ = true;
    bool developmentShown_ = false;
    bool closing_ = false;
    bool commandsLocked_ = false;
    int profileAreaHeight_ = 170;
    int crossfadeMaxMs_ = 10000;
    wxWeakRef<wxWindow> splash_;
};
