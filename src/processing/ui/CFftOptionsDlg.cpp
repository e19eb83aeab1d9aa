#include "processing/ui/CFftOptionsDlg.h"

#include "document/SampleBuffer.h"
#include "loop/ui/IntegerField.h"
#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/DialogUnits.h"
#include "processing/fft_options.h"
#include "views/ui/CPositionStrip.h"

#include <wx/choice.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

namespace {

// Layout in dialog units.
constexpr int kMargin = 7;
constexpr int kGroupWidth = 180;
constexpr int kGroupHeight = 52;
constexpr int kLabelX = 14;
constexpr int kFieldX = 58;
constexpr int kStripHeight = 40;
constexpr int kButtonX = kMargin + kGroupWidth + 7;

} // namespace

CFftOptionsDlg::CFftOptionsDlg(wxWindow* parent, const SampleBuffer& sound)
    : wxDialog(parent, IDD, "FFT Options"), sound_(sound)
{
    const DialogUnits units(this);

    new wxStaticBox(this, wxID_ANY, "Main spectrum window", units.at(kMargin, kMargin),
                    units.size(kGroupWidth, kGroupHeight));
    new wxStaticText(this, wxID_ANY, "FFT window:", units.at(kLabelX, 24), units.size(42, 8));
    wxArrayString sizes;
    for (const char* s : {"1024", "2048", "4096", "8192", "16384", "32768", "65536"})
        sizes.Add(s);
    combo_ = new wxChoice(this, IDC_WINDOW_COMBO, units.at(kFieldX, 21), units.size(48, 14), sizes);
    new wxStaticText(this, wxID_ANY, "samples", units.at(kFieldX + 52, 24), units.size(30, 8));

    new wxStaticText(this, wxID_ANY, "FFT start:", units.at(kLabelX, 42), units.size(42, 8));
    edit_ = new wxTextCtrl(this, IDC_START_EDIT, "", units.at(kFieldX, 40), units.size(40, 12), wxTE_RIGHT);
    spin_ = new CUpDownCtrl(this, IDC_START_SPIN, units.at(kFieldX + 40, 40), units.size(8, 12));
    spin_->setBuddy(edit_);
    new wxStaticText(this, wxID_ANY, "ms", units.at(kFieldX + 52, 42), units.size(14, 8));

    const int stripY = kMargin + kGroupHeight + 5;
    strip_ = new CPositionStrip(this, IDC_POSITION_STRIP, units.at(kMargin, stripY),
                                units.size(kGroupWidth, kStripHeight));
    strip_->setSound(&sound_);

    units.addOkCancelColumn(kButtonX, kMargin);
    const wxPoint extent = units.at(kButtonX + DialogUnits::kButtonWidth + kMargin, stripY + kStripHeight + kMargin);
    SetClientSize(extent.x, extent.y);

    combo_->Bind(wxEVT_CHOICE, &CFftOptionsDlg::onWindowChosen, this);
    edit_->Bind(wxEVT_TEXT, &CFftOptionsDlg::onStartChanged, this);
}

bool CFftOptionsDlg::TransferDataToWindow()
{
    ready_ = false;
    combo_->SetSelection(std::clamp<int>(exponent, 0, 6));
    // A sound shorter than the smallest window has no room to move it.
    spin_->setRange(0, std::max(0, largestStartMs));
    spin_->setPosition(startMs);
    // The start as it is, even beyond the up-down's range: OK judges it.
    edit_->ChangeValue(wxString::Format("%d", static_cast<int>(startMs)));
    markWindow();
    ready_ = true;
    return true;
}

bool CFftOptionsDlg::TransferDataFromWindow()
{
    int start = startMs;
    if (!exchangeIntegerField(this, edit_, 0, kFftOptionsMaxMs, start))
        return false;
    startMs = start;
    const int selection = combo_->GetSelection();
    if (selection != wxNOT_FOUND)
        exponent = static_cast<int16_t>(selection);
    return true;
}

void CFftOptionsDlg::onWindowChosen(wxCommandEvent&)
{
    if (!ready_)
        return;
    exponent = static_cast<int16_t>(std::max(0, combo_->GetSelection()));
    markWindow();
}

void CFftOptionsDlg::onStartChanged(wxCommandEvent&)
{
    if (!ready_)
        return;
    startMs = spin_->position();
    markWindow();
}

void CFftOptionsDlg::markWindow()
{
    const SampleStretch s = fftWindowStretch(sound_.sampleRate, startMs, exponent);
    strip_->setStretch(s.first, s.last);
}
