#include "mixing/ui/CFftMixingDlg.h"

#include "document/format.h"
#include "dsp/manual_pitch.h"
#include "dsp/ui/CManualPitchDlg.h"
#include "platform/ui/CBitmapButton.h"
#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/FileDialogs.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"
#include "platform/ui/images.h"
#include "playback/PlaybackEngine.h"
#include "views/ui/COverviewStrip.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cmath>

namespace {

// Layout in dialog units: the 1st sound's column left, the 2nd's right, the
// mixing settings below them, the result strip and the buttons at the bottom.
constexpr int kMargin = 7;
constexpr int kColumnWidth = 150;
constexpr int kColumnX[2] = {kMargin, kMargin + kColumnWidth + 16};
constexpr int kDialogWidth = 2 * kMargin + 2 * kColumnWidth + 16;
constexpr int kLabelY = 24;
constexpr int kLabelStep = 10;
constexpr int kSettingsY = 72;
constexpr int kRowStep = 17;
constexpr int kStripY = kSettingsY + 8 * kRowStep + 2;
constexpr int kStripHeight = 36;
constexpr int kButtonsY = kStripY + kStripHeight + 8;
constexpr int kCaptionWidth = 72;
constexpr int kFieldX = kMargin + kCaptionWidth;
constexpr int kSliderWidth = 160;

const wxSize kButtonImage(21, 21);

wxStaticText* label(wxWindow* parent, int id, const std::string& text, const DialogUnits& units, int x, int y,
                    int w)
{
    return new wxStaticText(parent, id, wxString::FromUTF8(text), units.at(x, y), units.size(w, 9),
                            wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END);
}

CBitmapButton* bitmapButton(wxWindow* parent, int id, const char* image, const char* tip, wxPoint at)
{
    static const char* const kSuffix[4] = {"U", "D", "F", "X"};
    wxBitmapBundle images[4];
    for (int i = 0; i < 4; ++i)
        images[i] = svgBundle(std::string("toolbar/") + image + kSuffix[i] + ".svg", kButtonImage);
    auto* button = new CBitmapButton(parent, id, at, images, kButtonImage);
    button->SetToolTip(tip);
    return button;
}

const int kNameIds[2] = {CFftMixingDlg::IDC_NAME1, CFftMixingDlg::IDC_NAME2};
const int kNoteIds[2] = {CFftMixingDlg::IDC_NOTE1, CFftMixingDlg::IDC_NOTE2};
const int kPitchIds[2] = {CFftMixingDlg::IDC_PITCH1, CFftMixingDlg::IDC_PITCH2};
const int kPeriodIds[2] = {CFftMixingDlg::IDC_PERIOD1, CFftMixingDlg::IDC_PERIOD2};
const int kPlayModes[3] = {PlayMixSourceA, PlayMixSourceB, PlayMixResult};

long textValue(const wxTextCtrl* edit, long fallback)
{
    long v = 0;
    return edit && edit->GetValue().ToLong(&v) ? v : fallback;
}

} // namespace

CFftMixingDlg::CFftMixingDlg(wxWindow* parent, MixingHost host, const MixSettings& settings,
                             const std::string& documentName, bool askToSave)
    : wxDialog(parent, IDD, "New by FFT mixing"), host_(std::move(host)), settings_(settings), documentName_(documentName),
      askToSave_(askToSave)
{
    for (int i = 0; i < 3; ++i) {
        timers_[i].SetOwner(this, kPlayTimer1 + i);
        Bind(wxEVT_TIMER, [this, i](wxTimerEvent&) { onPlayTimer(i); }, kPlayTimer1 + i);
    }
    createControls();
    initControls();
}

CFftMixingDlg::~CFftMixingDlg()
{
    // The engine must stop reading the converted inputs before they go.
    stopPreview();
}

void CFftMixingDlg::createControls()
{
    const DialogUnits units(this);
    const char* const loadTips[2] = {"Load 1st...", "Load 2nd..."};
    const char* const playTips[2] = {"Play 1st", "Play 2nd"};
    const char* const refineTips[2] = {"Manual pitch detection 1st...", "Manual pitch detection 2nd..."};
    const char* const captions[2] = {"1st sound", "2nd sound"};
    const char* const labelTips[4][2] = {{"Name 1st", "Name 2nd"},
                                         {"MIDI note 1st", "MIDI note 2nd"},
                                         {"Pitch 1st", "Pitch 2nd"},
                                         {"Average period 1st", "Average period 2nd"}};
    for (int i = 0; i < 2; ++i) {
        const int x = kColumnX[i];
        label(this, wxID_ANY, captions[i], units, x, 2, 60);
        load_[i] = bitmapButton(this, IDC_LOAD1 + i, "LOAD", loadTips[i], units.at(x, 10));
        play_[i] = bitmapButton(this, IDC_PLAY1 + i, "PLAY", playTips[i], units.at(x + 16, 10));
        play_[i]->setToggle(true);
        refine_[i] = bitmapButton(this, IDC_REFINE1 + i, "REFINE_PITCH", refineTips[i], units.at(x + 32, 10));
        new wxStaticText(this, wxID_ANY, i == 0 ? "<- Pitch ?" : "Pitch ? ->", units.at(x + 48, 13));
        const int ids[4] = {kNameIds[i], kNoteIds[i], kPitchIds[i], kPeriodIds[i]};
        for (int row = 0; row < 4; ++row) {
            wxStaticText* text = label(this, ids[row], "", units, x, kLabelY + row * kLabelStep, kColumnWidth);
            text->SetToolTip(labelTips[row][i]);
            // A click on the note or the pitch opens the manual pitch detection.
            if (row == 1 || row == 2)
                text->Bind(wxEVT_LEFT_DOWN, [this, i](wxMouseEvent&) { refinePitch(i); });
        }
        load_[i]->Bind(wxEVT_BUTTON, [this, i](wxCommandEvent&) { openLoadDialog(i); });
        play_[i]->Bind(wxEVT_BUTTON, [this, i](wxCommandEvent&) { togglePlay(i); });
        refine_[i]->Bind(wxEVT_BUTTON, [this, i](wxCommandEvent&) { refinePitch(i); });
    }

    int y = kSettingsY;
    label(this, wxID_ANY, "Destination note:", units, kMargin, y + 2, kCaptionWidth);
    destChoice_ = new wxChoice(this, IDC_DEST_NOTE, units.at(kFieldX, y), units.size(60, 14));
    for (int note = 0; note <= 127; ++note)
        destChoice_->Append(midiNoteName(note));
    label(this, IDC_DEST_FREQUENCY, "", units, kFieldX + 66, y + 2, 60);
    maxRateChoice_ = new wxChoice(this, IDC_MAX_RATE, units.at(kFieldX + 176, y), units.size(50, 14));
    maxRateChoice_->Append("48.000");
    maxRateChoice_->Append("96.000");
    label(this, wxID_ANY, "Max rate:", units, kFieldX + 136, y + 2, 40);

    y += kRowStep;
    label(this, wxID_ANY, "Delay:", units, kMargin, y + 2, kCaptionWidth);
    delayEdit_ = new wxTextCtrl(this, IDC_DELAY_EDIT, "", units.at(kFieldX, y), units.size(34, 12), wxTE_RIGHT);
    delaySpin_ = new CUpDownCtrl(this, IDC_DELAY_SPIN, units.at(kFieldX + 34, y), units.size(8, 12));
    delaySpin_->setBuddy(delayEdit_);
    label(this, wxID_ANY, "\xC2\xB5sec. on the", units, kFieldX + 46, y + 2, 44);
    delayedChoice_ = new wxChoice(this, IDC_DELAYED_SOUND, units.at(kFieldX + 92, y), units.size(34, 14));
    delayedChoice_->Append("1st");
    delayedChoice_->Append("2nd");
    label(this, wxID_ANY, "sound", units, kFieldX + 130, y + 2, 30);

    y += kRowStep;
    label(this, wxID_ANY, "Inharmonic mix:", units, kMargin, y + 2, kCaptionWidth);
    inharmonicSlider_ = new wxSlider(this, IDC_INHARMONIC_SLIDER, 50, 0, 100, units.at(kFieldX, y),
                                     units.size(kSliderWidth, 14));
    y += kRowStep - 4;
    label(this, IDC_INHARMONIC_LABEL, "", units, kFieldX, y, kDialogWidth - kFieldX - kMargin);
    y += kRowStep - 4;
    label(this, wxID_ANY, "Harmonic mix:", units, kMargin, y + 2, kCaptionWidth);
    harmonicSlider_ = new wxSlider(this, IDC_HARMONIC_SLIDER, 50, 0, 100, units.at(kFieldX, y),
                                   units.size(kSliderWidth, 14));
    y += kRowStep - 4;
    label(this, IDC_HARMONIC_LABEL, "", units, kFieldX, y, kDialogWidth - kFieldX - kMargin);

    y += kRowStep - 4;
    label(this, wxID_ANY, "Equalize until the", units, kMargin, y + 2, kCaptionWidth);
    harmonicsEdit_ = new wxTextCtrl(this, IDC_HARMONICS_EDIT, "", units.at(kFieldX, y), units.size(24, 12), wxTE_RIGHT);
    harmonicsSpin_ = new CUpDownCtrl(this, IDC_HARMONICS_SPIN, units.at(kFieldX + 24, y), units.size(8, 12));
    harmonicsSpin_->setBuddy(harmonicsEdit_);
    label(this, IDC_ORDINAL, "th harmonic", units, kFieldX + 36, y + 2, 50);
    label(this, wxID_ANY, "Max gain:", units, kFieldX + 96, y + 2, 36);
    gainEdit_ = new wxTextCtrl(this, IDC_GAIN_EDIT, "", units.at(kFieldX + 134, y), units.size(20, 12), wxTE_RIGHT);
    gainSpin_ = new CUpDownCtrl(this, IDC_GAIN_SPIN, units.at(kFieldX + 154, y), units.size(8, 12));
    gainSpin_->setBuddy(gainEdit_);
    label(this, wxID_ANY, " dB", units, kFieldX + 164, y + 2, 16);

    y += kRowStep;
    lengthChoice_ = new wxChoice(this, IDC_LENGTH_RULE, units.at(kFieldX, y), units.size(80, 14));
    lengthChoice_->Append("Keep min length");
    lengthChoice_->Append("Keep max length");
    atDestination_ = new wxCheckBox(this, IDC_AT_DESTINATION, "Play at destination frequency",
                                    units.at(kFieldX + 90, y + 2), units.size(130, 10));

    resultStrip_ = new COverviewStrip(this, IDC_RESULT, units.at(kMargin, kStripY),
                                      units.size(kDialogWidth - 2 * kMargin, kStripHeight));
    resultStrip_->setPlain(true);

    const int w = DialogUnits::kButtonWidth;
    const int h = DialogUnits::kButtonHeight;
    const int gap = 6;
    const int right = kDialogWidth - kMargin;
    mix_ = new wxButton(this, IDC_MIX, "Mix", units.at(kMargin, kButtonsY), units.size(w, h));
    playMix_ = new wxButton(this, IDC_PLAY_MIX, "Play Mix", units.at(kMargin + w + gap, kButtonsY), units.size(w, h));
    ok_ = new wxButton(this, wxID_OK, "OK", units.at(right - 2 * w - gap, kButtonsY), units.size(w, h));
    new wxButton(this, wxID_CANCEL, "Cancel", units.at(right - w, kButtonsY), units.size(w, h));
    SetClientSize(units.size(kDialogWidth, kButtonsY + h + kMargin));

    mix_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { mix(); });
    playMix_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { togglePlay(2); });
    ok_->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { onOk(); });
    destChoice_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
        setDestinationNote(destChoice_->GetSelection());
        settingChanged(true);
    });
    maxRateChoice_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
        settings_.maxRateIndex = static_cast<int16_t>(std::max(0, maxRateChoice_->GetSelection()));
        settingChanged(true);
    });
    lengthChoice_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
        settings_.lengthRule = static_cast<int16_t>(std::max(0, lengthChoice_->GetSelection()));
        settingChanged(true);
    });
    delayedChoice_->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
        settings_.delayedSound = static_cast<int16_t>(std::max(0, delayedChoice_->GetSelection()));
        settingChanged(false);
    });
    for (wxSlider* slider : {inharmonicSlider_, harmonicSlider_})
        slider->Bind(wxEVT_SLIDER, [this](wxCommandEvent&) {
            readEdits();
            settingChanged(false);
        });
    for (wxTextCtrl* edit : {delayEdit_, harmonicsEdit_, gainEdit_})
        edit->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
            readEdits();
            settingChanged(false);
        });
}

void CFftMixingDlg::initControls()
{
    for (int i = 0; i < 2; ++i) {
        play_[i]->Enable(false);
        refine_[i]->Enable(false);
    }
    mix_->Enable(false);
    playMix_->Enable(false);
    ok_->Enable(false);
    inharmonicSlider_->SetValue(std::clamp<int>(settings_.inharmonicPercent, 0, 100));
    harmonicSlider_->SetValue(std::clamp<int>(settings_.harmonicPercent, 0, 100));
    gainSpin_->setRange(0, 60);
    gainSpin_->setPosition(settings_.maxGainDb);
    harmonicsSpin_->setRange(0, 128);
    harmonicsSpin_->setPosition(settings_.equalizeUntil);
    delaySpin_->setRange(0, 99999);
    delaySpin_->setPosition(settings_.delayUs);
    delayedChoice_->SetSelection(std::clamp<int>(settings_.delayedSound, 0, 1));
    lengthChoice_->SetSelection(std::clamp<int>(settings_.lengthRule, 0, 1));
    maxRateChoice_->SetSelection(std::clamp<int>(settings_.maxRateIndex, 0, 1));
    ready_ = true;
    readEdits();
    setDestinationNote(60);

    // The files named by the settings are read again, quietly but for the
    // refusals the user must know about. A file that no longer reads leaves
    // what the main window still holds of it.
    MixInput* inputs = host_.inputs;
    for (int i = 0; i < 2; ++i) {
        if (!settings_.path[i].empty()) {
            MixReadResult read = readMixWave(settings_.path[i], false);
            for (const UserMessage& message : read.messages)
                showMessage(this, message);
            if (read.ok) {
                inputs[i] = std::move(read.input);
                analyse(i, nullptr);
                continue;
            }
        }
        if (inputs[i].analysed())
            showInput(i);
    }
    // A mix kept from an earlier opening was made from inputs and settings
    // that need not be the ones shown now, and this opening has not
    // converted its inputs: it is dropped, so that the picture, Play Mix and
    // OK always speak of the same mix, made here by Mix.
    host_.result = MixResult();
    updateMixEnabled();
}

std::string CFftMixingDlg::labelText(int id) const
{
    auto* text = dynamic_cast<wxStaticText*>(FindWindow(id));
    return text ? text->GetLabel().ToStdString(wxConvUTF8) : std::string();
}

void CFftMixingDlg::readEdits()
{
    if (!ready_)
        return;
    settings_.inharmonicPercent = static_cast<int16_t>(inharmonicSlider_->GetValue());
    settings_.harmonicPercent = static_cast<int16_t>(harmonicSlider_->GetValue());
    settings_.delayUs = static_cast<int32_t>(std::clamp<long>(textValue(delayEdit_, settings_.delayUs), 0, 99999));
    settings_.equalizeUntil =
        static_cast<int16_t>(std::clamp<long>(textValue(harmonicsEdit_, settings_.equalizeUntil), 0, 128));
    settings_.maxGainDb = static_cast<int16_t>(std::clamp<long>(textValue(gainEdit_, settings_.maxGainDb), 0, 60));
    auto set = [this](int id, const std::string& text) {
        if (auto* t = dynamic_cast<wxStaticText*>(FindWindow(id)))
            t->SetLabel(wxString::FromUTF8(text));
    };
    set(IDC_INHARMONIC_LABEL, mixPercentText(settings_.inharmonicPercent));
    set(IDC_HARMONIC_LABEL, mixPercentText(settings_.harmonicPercent));
    set(IDC_ORDINAL, harmonicOrdinal(settings_.equalizeUntil));
}

void CFftMixingDlg::settingChanged(bool needsResample)
{
    if (!ready_)
        return;
    if (needsResample)
        resampleNeeded_ = true;
    updateMixEnabled();
}

void CFftMixingDlg::updateMixEnabled()
{
    const MixInput* inputs = host_.inputs;
    mix_->Enable(inputs[0].hasPitch() && inputs[1].hasPitch());
}

void CFftMixingDlg::setDestinationNote(int note)
{
    destNote_ = std::clamp(note, 0, 127);
    destChoice_->SetSelection(destNote_);
    if (auto* t = dynamic_cast<wxStaticText*>(FindWindow(IDC_DEST_FREQUENCY)))
        t->SetLabel(formatSignificant(noteFrequency(destNote_), 6) + " Hz");
}

bool CFftMixingDlg::loadSound(int index, const std::string& path)
{
    // The preview may be reading the input about to be replaced.
    stopPreview();
    MixReadResult read = readMixWave(path, true);
    for (const UserMessage& message : read.messages)
        showMessage(this, message);
    if (!read.ok)
        return false; // the previous input, if any, stays whole
    settings_.path[index] = path;
    settings_.name[index] = read.input.name;
    host_.inputs[index] = std::move(read.input);
    analyse(index, nullptr);
    return true;
}

void CFftMixingDlg::openLoadDialog(int index)
{
    const std::string path = askOpenWaveFile(this);
    if (!path.empty())
        loadSound(index, path);
}

void CFftMixingDlg::analyse(int index, const double hintsHz[2])
{
    {
        WaitCursor wait;
        MixInput& in = host_.inputs[index];
        analyseMixInput(in, hintsHz);
        const MixInput& other = host_.inputs[1 - index];
        setDestinationNote(proposedDestinationNote(in.pitchHz, other.hasPitch() ? other.pitchHz : 0.0));
        resampleNeeded_ = true;
        showInput(index);
    }
    if (!host_.inputs[index].hasPitch())
        showMessage(this, "No pitch could be found in " + host_.inputs[index].name +
                              ". Please use \"Pitch ?\" to give it one before mixing.");
}

void CFftMixingDlg::showInput(int index)
{
    const MixInput& in = host_.inputs[index];
    auto set = [this](int id, const std::string& text) {
        if (auto* t = dynamic_cast<wxStaticText*>(FindWindow(id)))
            t->SetLabel(wxString::FromUTF8(text));
    };
    set(kNameIds[index], in.name);
    set(kNoteIds[index], in.hasPitch() ? midiNoteName(in.midiNote) : std::string());
    set(kPitchIds[index], formatSignificant(in.pitchHz, 6) + " Hz");
    set(kPeriodIds[index], in.hasPitch() ? formatSignificant(1000000.0 / in.pitchHz, 6) + " \xC2\xB5sec." : "");
    play_[index]->Enable(true);
    refine_[index]->Enable(true);
    updateMixEnabled();
}

void CFftMixingDlg::refinePitch(int index)
{
    MixInput& in = host_.inputs[index];
    if (!in.analysed() || in.fftSize < 2)
        return;
    ManualPitchSound sound;
    sound.channels = in.channels;
    for (int c = 0; c < in.channels; ++c)
        sound.samples[c] = in.samples[c].data();
    sound.sampleCount = in.frameCount;
    sound.sampleRate = in.sampleRate;
    sound.frameSize = in.fftSize;
    sound.startSample = in.analysisStart;
    CManualPitchDlg dlg(this, sound, in.fundamentalBin);
    if (dlg.ShowModal() != wxID_OK)
        return;
    double hints[2];
    manualPitchHints(dlg.bins, in.sampleRate, in.fftSize, hints);
    analyse(index, hints);
}

void CFftMixingDlg::mix()
{
    MixInput* inputs = host_.inputs;
    if (!inputs[0].hasPitch() || !inputs[1].hasPitch())
        return;
    // The preview reads the arrays rewritten below.
    stopPreview();
    WaitCursor wait;
    readEdits();
    if (resampleNeeded_) {
        const MixRates rates = planMixRates(inputs, destNote_, settings_.maxRateIndex);
        destRate_ = rates.destination;
        for (int i = 0; i < 2; ++i)
            resampleMixInput(inputs[i], rates.rate[i], destRate_, converted_[i]);
        resampleNeeded_ = false;
    }
    MixResult& result = host_.result;
    mixInharmonic(inputs, converted_, settings_, destRate_, result);
    equalizeHarmonics(result, inputs, settings_);
    resultStrip_->setData(result.channels, result.frameCount, result.samples[0].data(),
                          result.channels == 2 ? result.samples[1].data() : nullptr);
    playMix_->Enable(result.made());
    ok_->Enable(result.made());
    mix_->Enable(false);
}

void CFftMixingDlg::togglePlay(int index)
{
    // Any play button stops what plays, whichever started it.
    if (playing_ != 0) {
        stopPreview();
        return;
    }
    stopPreview(); // a togglable button latched by the click is released

    PlaybackSource source;
    int32_t rate = 0;
    int32_t frames = 0;
    if (index < 2) {
        const MixInput& in = host_.inputs[index];
        if (!in.loaded())
            return;
        source.channels = in.channels;
        for (int c = 0; c < in.channels; ++c)
            source.samples[c] = in.samples[c].data();
        frames = in.frameCount;
        rate = in.sampleRate;
        if (atDestination_->GetValue() && in.hasPitch())
            rate = static_cast<int32_t>(std::clamp(noteFrequency(destNote_) / in.pitchHz * in.sampleRate, 1.0,
                                                   double(INT32_MAX)));
    } else {
        const MixResult& r = host_.result;
        if (!r.made())
            return;
        source.channels = r.channels;
        for (int c = 0; c < r.channels; ++c)
            source.samples[c] = r.samples[c].data();
        frames = r.frameCount;
        rate = r.sampleRate;
    }
    source.length = frames;
    if (rate < 2 || !host_.startPreview || !host_.startPreview(kPlayModes[index], source, rate)) {
        if (index < 2)
            play_[index]->setPressed(false);
        return;
    }
    playing_ = kPlayModes[index];
    if (index < 2) {
        play_[index]->setPressed(true);
        play_[index]->SetToolTip("Stop");
    } else {
        playMix_->SetLabel("Stop");
    }
    timers_[index].StartOnce(std::max(1, static_cast<int>(int64_t(frames) * 1000 / rate)));
}

void CFftMixingDlg::onPlayTimer(int) { stopPreview(); }

void CFftMixingDlg::stopPreview()
{
    for (wxTimer& timer : timers_)
        timer.Stop();
    const char* const playTips[2] = {"Play 1st", "Play 2nd"};
    for (int i = 0; i < 2; ++i) {
        if (play_[i]) {
            play_[i]->setPressed(false);
            play_[i]->SetToolTip(playTips[i]);
        }
    }
    if (playMix_)
        playMix_->SetLabel("Play Mix");
    if (playing_ == 0)
        return;
    playing_ = 0;
    if (host_.stopPreview)
        host_.stopPreview();
}

bool CFftMixingDlg::confirmOk()
{
    if (!host_.result.made())
        return false;
    if (askToSave_) {
        const MessageAnswer answer =
            showMessage(this, "Do you want to save changes to " + documentName_ + ".wav?",
                        MessageButtons::YesNoCancel, MessageIcon::Question);
        if (answer == MessageAnswer::Cancel)
            return false;
        saveFirst_ = answer == MessageAnswer::Yes;
    }
    readEdits();
    return true;
}

void CFftMixingDlg::onOk()
{
    if (confirmOk())
        EndModal(wxID_OK);
}

void CFftMixingDlg::EndModal(int code)
{
    stopPreview();
    wxDialog::EndModal(code);
}
