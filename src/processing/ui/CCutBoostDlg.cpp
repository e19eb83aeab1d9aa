#include "processing/ui/CCutBoostDlg.h"

#include "document/format.h"
#include "dsp/spectrum_analysis.h"
#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/Shell.h"
#include "playback/PlaybackEngine.h"
#include "processing/fft_options.h"
#include "processing/ui/CFftOptionsDlg.h"
#include "views/ui/CCutBoostSpectrumView.h"
#include "views/ui/COverviewStrip.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <cmath>

namespace {

// Layout in dialog units: the attack column left, the sustain column right,
// the filter controls below them, the buttons in a column at the right.
constexpr int kMargin = 7;
constexpr int kViewWidth = 200;
constexpr int kViewHeight = 110;
constexpr int kColumnGap = 8;
constexpr int kSustainX = kMargin + kViewWidth + kColumnGap;
constexpr int kViewY = 18;
constexpr int kReadoutY = kViewY + kViewHeight + 2;
constexpr int kStripCaptionY = kReadoutY + 11;
constexpr int kStripY = kStripCaptionY + 9;
constexpr int kStripHeight = 30;
constexpr int kGainY = kStripY + kStripHeight + 8;
constexpr int kFreqY = kGainY + 17;
constexpr int kWidthY = kFreqY + 19;
constexpr int kHintY = kWidthY + 20;
constexpr int kSliderX = 50;
constexpr int kSliderWidth = 290;
constexpr int kButtonX = kSustainX + kViewWidth + kColumnGap;
constexpr int kButtonWidth = DialogUnits::kButtonWidth;
constexpr int kButtonHeight = DialogUnits::kButtonHeight;

wxStaticText* label(wxWindow* parent, int id, const char* text, const DialogUnits& units, int x, int y, int w,
                    long style = 0)
{
    return new wxStaticText(parent, id, text, units.at(x, y), units.size(w, 8), style | wxST_NO_AUTORESIZE);
}

} // namespace

CCutBoostDlg::CCutBoostDlg(wxWindow* parent, CutBoostHost host)
    : wxDialog(parent, IDD, "Parametric cut/boost filter"), host_(std::move(host)), session_(host_.doc),
      playTimer_(this, kPlayTimerId)
{
    createControls();

    // Dialog start: the working copies (made above) in both strips and views.
    const int channels = session_.channels();
    for (COverviewStrip* strip : {attackStrip_, sustainStrip_}) {
        strip->setPlain(false);
        strip->setData(channels, session_.frameCount(), session_.channel(0),
                       channels == 2 ? session_.channel(1) : nullptr);
    }
    attackView_->setSource(&session_);
    sustainView_->setSource(&session_);
    attackView_->setReadoutLabels(static_cast<wxStaticText*>(FindWindow(IDC_ATTACK_HZ)),
                                  static_cast<wxStaticText*>(FindWindow(IDC_ATTACK_DB)));
    sustainView_->setReadoutLabels(static_cast<wxStaticText*>(FindWindow(IDC_SUSTAIN_HZ)),
                                   static_cast<wxStaticText*>(FindWindow(IDC_SUSTAIN_DB)));
    gainSpin_->setRange(-kCutBoostMaxGainDb, kCutBoostMaxGainDb);
    gainSpin_->setPosition(host_.gainDb);
    for (int id : {IDC_GAIN_KIND, IDC_FREQ_LABEL, IDC_WIDTH_LABEL})
        FindWindow(id)->SetLabel("");

    setUpAnalysis();

    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { onPlayTimer(); }, kPlayTimerId);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { apply(); }, IDC_APPLY);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { togglePlay(); }, IDC_PLAY);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { openFftOptions(); }, IDC_FFT_OPTIONS);
    gainEdit_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { onGainChanged(); });
    // The up and down arrows step the gain as the up-down's buttons do.
    gainEdit_->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& e) {
        if (e.GetKeyCode() == WXK_UP || e.GetKeyCode() == WXK_NUMPAD_UP)
            gainSpin_->step(+1);
        else if (e.GetKeyCode() == WXK_DOWN || e.GetKeyCode() == WXK_NUMPAD_DOWN)
            gainSpin_->step(-1);
        else
            e.Skip();
    });
    // GTK sliders send no paint notification: follow every value change.
    auto follow = [this](wxSlider* slider, void (CCutBoostDlg::*handler)()) {
        slider->Bind(wxEVT_SLIDER, [this, handler](wxCommandEvent& e) {
            (this->*handler)();
            e.Skip();
        });
        for (auto type : {wxEVT_SCROLL_CHANGED, wxEVT_SCROLL_THUMBTRACK})
            slider->Bind(type, [this, handler](wxScrollEvent& e) {
                (this->*handler)();
                e.Skip();
            });
    };
    follow(freqSlider_, &CCutBoostDlg::onFreqChanged);
    follow(widthSlider_, &CCutBoostDlg::onWidthChanged);
}

CCutBoostDlg::~CCutBoostDlg()
{
    // The engine must stop reading the copies before they go with the session.
    stopPreview();
}

void CCutBoostDlg::createControls()
{
    const DialogUnits units(this);

    label(this, wxID_ANY, "ATTAK FFT", units, kMargin, kMargin + 2, 40);
    label(this, IDC_ATTACK_SIZE, "(8 K)", units, kMargin + 42, kMargin + 2, 40);
    label(this, wxID_ANY, "SUSTAIN FFT", units, kSustainX, kMargin + 2, 46);
    label(this, IDC_SUSTAIN_SIZE, "(32 K)", units, kSustainX + 48, kMargin + 2, 40);

    attackView_ = new CCutBoostSpectrumView(this, IDC_ATTACK_VIEW, units.at(kMargin, kViewY),
                                            units.size(kViewWidth, kViewHeight), true);
    sustainView_ = new CCutBoostSpectrumView(this, IDC_SUSTAIN_VIEW, units.at(kSustainX, kViewY),
                                             units.size(kViewWidth, kViewHeight), false);
    label(this, IDC_ATTACK_HZ, "", units, kMargin, kReadoutY, 60);
    label(this, IDC_ATTACK_DB, "", units, kMargin + 64, kReadoutY, 40);
    label(this, IDC_SUSTAIN_HZ, "", units, kSustainX, kReadoutY, 60);
    label(this, IDC_SUSTAIN_DB, "", units, kSustainX + 64, kReadoutY, 40);

    label(this, wxID_ANY, "Attak FFT position", units, kMargin, kStripCaptionY, 90);
    label(this, wxID_ANY, "Sustain FFT position", units, kSustainX, kStripCaptionY, 90);
    attackStrip_ = new COverviewStrip(this, IDC_ATTACK_STRIP, units.at(kMargin, kStripY),
                                      units.size(kViewWidth, kStripHeight));
    sustainStrip_ = new COverviewStrip(this, IDC_SUSTAIN_STRIP, units.at(kSustainX, kStripY),
                                       units.size(kViewWidth, kStripHeight));

    label(this, wxID_ANY, "Gain:", units, kMargin, kGainY + 2, 40);
    gainEdit_ = new wxTextCtrl(this, IDC_GAIN_EDIT, "", units.at(kSliderX, kGainY), units.size(28, 12), wxTE_RIGHT);
    gainSpin_ = new CUpDownCtrl(this, IDC_GAIN_SPIN, units.at(kSliderX + 28, kGainY), units.size(8, 12));
    gainSpin_->setBuddy(gainEdit_);
    label(this, wxID_ANY, " dB", units, kSliderX + 38, kGainY + 2, 14);
    label(this, IDC_GAIN_KIND, "(Boost)", units, kSliderX + 54, kGainY + 2, 40);

    auto slider = [&](int id, int y, const char* caption, int labelId) {
        label(this, wxID_ANY, caption, units, kMargin, y + 4, 40);
        auto* s = new wxSlider(this, id, 0, 0, 1, units.at(kSliderX, y), units.size(kSliderWidth, 16),
                               wxSL_HORIZONTAL | wxSL_AUTOTICKS);
        s->SetLineSize(10);
        s->SetPageSize(100);
        s->SetTickFreq(100);
        label(this, labelId, "", units, kSliderX + kSliderWidth + 4, y + 4, 60);
        return s;
    };
    freqSlider_ = slider(IDC_FREQ_SLIDER, kFreqY, "Frequency:", IDC_FREQ_LABEL);
    widthSlider_ = slider(IDC_WIDTH_SLIDER, kWidthY, "Width:", IDC_WIDTH_LABEL);
    label(this, wxID_ANY, "(Use the right and left arrows for fine adjustment)", units, kSliderX, kHintY, 200);

    auto button = [&](int id, const char* text, int y) {
        return new wxButton(this, id, text, units.at(kButtonX, y), units.size(kButtonWidth, kButtonHeight));
    };
    button(IDC_APPLY, "Apply", kViewY);
    play_ = button(IDC_PLAY, "Play", kViewY + 20);
    bypass_ = new wxCheckBox(this, IDC_BYPASS, "Bypass", units.at(kButtonX + 2, kViewY + 38),
                             units.size(kButtonWidth, 10));
    button(IDC_FFT_OPTIONS, "FFT options", kViewY + 54);
    units.addOkCancelColumn(kButtonX, kStripY);

    const wxPoint extent = units.at(kButtonX + kButtonWidth + kMargin, kHintY + 8 + kMargin);
    SetClientSize(extent.x, extent.y);
}

std::string CCutBoostDlg::labelText(int id) const
{
    wxWindow* w = FindWindow(id);
    return w ? w->GetLabel().ToStdString(wxConvUTF8) : std::string();
}

int CCutBoostDlg::gainDb() const
{
    return gainSpin_->position();
}

void CCutBoostDlg::setUpAnalysis()
{
    const SampleBuffer& doc = host_.doc;
    const int e = doc.fftSizeExp;
    const int32_t sustainStart = analysisStart(doc);
    attackView_->setFrame(cutBoostAttackSize(e), 0);
    sustainView_->setFrame(cutBoostSustainSize(e), sustainStart);
    attackStrip_->setStretch(0, static_cast<int32_t>(std::ldexp(256.0, e)));
    sustainStrip_->setStretch(sustainStart, static_cast<int32_t>(sustainStart + fftWindowSamples(e)));
    FindWindow(IDC_ATTACK_SIZE)->SetLabel(cutBoostAttackSizeLabel(e));
    FindWindow(IDC_SUSTAIN_SIZE)->SetLabel(cutBoostSustainSizeLabel(e));
    {
        WaitCursor wait;
        attackView_->compute();
        sustainView_->compute();
    }
    setUpSliders();
}

// The sustain frame rules both sliders and every conversion.
void CCutBoostDlg::setUpSliders()
{
    const CutBoostSliderSetup s =
        cutBoostSliders(sustainView_->frameSize(), host_.freqPosition, host_.widthPosition);
    freqSlider_->SetRange(s.freqMin, s.freqMax);
    freqSlider_->SetValue(s.freqPosition);
    widthSlider_->SetRange(s.widthMin, s.widthMax);
    widthSlider_->SetValue(s.widthPosition);
    onFreqChanged();
    onWidthChanged();
}

void CCutBoostDlg::onFreqChanged()
{
    freqPosition_ = freqSlider_->GetValue();
    const double hz = cutBoostCentreHz(session_.sampleRate(), freqPosition_, sustainView_->frameSize());
    FindWindow(IDC_FREQ_LABEL)->SetLabel(formatSignificant(hz, 6) + " Hz");
    if (sustainView_->ready())
        updateShape();
}

void CCutBoostDlg::onWidthChanged()
{
    widthPosition_ = widthSlider_->GetValue();
    const double hz = cutBoostWidthHz(session_.sampleRate(), widthPosition_, sustainView_->frameSize());
    FindWindow(IDC_WIDTH_LABEL)->SetLabel(formatSignificant(hz, 6) + " Hz");
    if (sustainView_->ready())
        updateShape();
}

void CCutBoostDlg::onGainChanged()
{
    if (!sustainView_->ready())
        return;
    const int g = gainDb();
    FindWindow(IDC_GAIN_KIND)->SetLabel(cutBoostGainKind(g));
    updateShape();
    host_.gainDb = static_cast<int16_t>(g);
}

// Both views draw the same outline, sized by the sustain view.
void CCutBoostDlg::updateShape()
{
    const wxSize size = sustainView_->GetClientSize();
    const FilterShape shape = cutBoostFilterShape(size.x, size.y, sustainView_->frameSize(), freqPosition_,
                                                  widthPosition_, gainDb());
    attackView_->setShape(shape);
    sustainView_->setShape(shape);
}

void CCutBoostDlg::apply()
{
    // The preview's worker reads the copies: it must not run while they are
    // rewritten.
    stopPreview();
    WaitCursor wait;
    session_.apply(gainDb(), freqPosition_, widthPosition_, sustainView_->frameSize());
    attackView_->compute();
    sustainView_->compute();
    attackStrip_->dataChanged();
    sustainStrip_->dataChanged();
    defaultBeep();
}

bool CCutBoostDlg::previewPlaying() const
{
    const PlaybackEngine* engine = host_.engine ? host_.engine() : nullptr;
    if (!engine)
        return false;
    const int32_t mode = engine->playMode.load();
    return mode == PlayOneShot || mode == PlayCutBoostPreview;
}

void CCutBoostDlg::togglePlay()
{
    if (previewPlaying()) {
        stopPreview();
        return;
    }
    PlaybackSource source;
    source.channels = static_cast<int16_t>(session_.channels());
    for (int c = 0; c < session_.channels(); ++c)
        source.samples[c] = session_.channel(c);
    source.length = session_.frameCount();
    const int32_t mode = bypass_->GetValue() ? PlayOneShot : PlayCutBoostPreview;
    if (!host_.startPreview || !host_.startPreview(mode, source))
        return;
    previewStarted_ = true;
    play_->SetLabel("Stop");
    const int32_t rate = std::max(1, session_.sampleRate());
    playTimer_.StartOnce(std::max(1, static_cast<int>(int64_t(session_.frameCount()) * 1000 / rate)));
}

void CCutBoostDlg::onPlayTimer()
{
    stopPreview();
}

void CCutBoostDlg::stopPreview()
{
    playTimer_.Stop();
    if (play_)
        play_->SetLabel("Play");
    if (!previewStarted_)
        return;
    previewStarted_ = false;
    if (host_.stopPreview)
        host_.stopPreview();
}

void CCutBoostDlg::openFftOptions()
{
    SampleBuffer& doc = host_.doc;
    CFftOptionsDlg dlg(this, doc);
    const FftOptionsRequest request = fftOptionsRequest(doc);
    dlg.largestStartMs = request.largestStartMs;
    dlg.exponent = request.exponent;
    dlg.startMs = request.startMs;
    if (dlg.ShowModal() != wxID_OK)
        return;
    WaitCursor wait;
    // The main window's settings: they stay even if this dialog is cancelled.
    applyFftOptions(doc, dlg.exponent, dlg.startMs);
    setUpAnalysis();
    session_.markApplied();
}

void CCutBoostDlg::EndModal(int code)
{
    stopPreview();
    wxDialog::EndModal(code);
}
