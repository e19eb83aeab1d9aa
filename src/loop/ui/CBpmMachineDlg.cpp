#include "loop/ui/CBpmMachineDlg.h"

#include "loop/ui/IntegerField.h"
#include "loop/ui/NumberField.h"
#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/DialogUnits.h"

#include <wx/choice.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

namespace {

// Layout in dialog units.
constexpr int kMargin = 7;
constexpr int kLabelWidth = 84;
constexpr int kFieldX = kMargin + kLabelWidth + 2;
constexpr int kEditWidth = 32;
constexpr int kSpinWidth = 8;
constexpr int kRowHeight = 12;
constexpr int kRowStep = 18;
constexpr int kButtonX = kFieldX + kEditWidth + kSpinWidth + 12;

} // namespace

CBpmMachineDlg::CBpmMachineDlg(wxWindow* parent, const BpmSettings& start)
    : wxDialog(parent, IDD, "BPM Machine"), settings(start)
{
    const DialogUnits units(this);
    auto label = [&](int y, const char* caption) {
        new wxStaticText(this, wxID_ANY, caption, units.at(kMargin, y + 2), units.size(kLabelWidth, 8));
    };
    auto countRow = [&](int y, const char* caption, int editId, int spinId, wxTextCtrl*& edit, CUpDownCtrl*& spin) {
        label(y, caption);
        edit = new wxTextCtrl(this, editId, "", units.at(kFieldX, y), units.size(kEditWidth, kRowHeight), wxTE_RIGHT);
        spin = new CUpDownCtrl(this, spinId, units.at(kFieldX + kEditWidth, y), units.size(kSpinWidth, kRowHeight));
        spin->setBuddy(edit);
        spin->setRange(kBpmMinCount, kBpmMaxCount);
    };

    int y = kMargin;
    countRow(y, "Beats per measure:", IDC_BEATS_EDIT, IDC_BEATS_SPIN, beatsEdit_, beatsSpin_);
    y += kRowStep;
    label(y, "Beat value:");
    beatValue_ = new wxChoice(this, IDC_BEAT_VALUE, units.at(kFieldX, y - 1), units.size(kEditWidth + kSpinWidth, 14));
    beatValue_->Append("4");
    beatValue_->Append("8");
    y += kRowStep;
    countRow(y, "Number of measures:", IDC_MEASURES_EDIT, IDC_MEASURES_SPIN, measuresEdit_, measuresSpin_);
    y += kRowStep;
    label(y, "BPM:");
    tempoEdit_ = new wxTextCtrl(this, IDC_TEMPO_EDIT, "", units.at(kFieldX, y),
                                units.size(kEditWidth + kSpinWidth, kRowHeight), wxTE_RIGHT);

    units.addOkCancelColumn(kButtonX, kMargin);

    const wxPoint extent = units.at(kButtonX + DialogUnits::kButtonWidth + kMargin, y + kRowHeight + kMargin);
    SetClientSize(extent.x, extent.y);
}

bool CBpmMachineDlg::TransferDataToWindow()
{
    // A value outside a spin's range shows as it is; OK then refuses it.
    beatsSpin_->setPosition(settings.beatsPerMeasure);
    beatsEdit_->ChangeValue(wxString::Format("%d", static_cast<int>(settings.beatsPerMeasure)));
    beatValue_->SetSelection(settings.beatValueIndex == 1 ? 1 : 0);
    measuresSpin_->setPosition(settings.measures);
    measuresEdit_->ChangeValue(wxString::Format("%d", static_cast<int>(settings.measures)));
    tempoEdit_->ChangeValue(wxString::FromUTF8(formatNumberField(settings.tempo)));
    return true;
}

bool CBpmMachineDlg::TransferDataFromWindow()
{
    int beats = settings.beatsPerMeasure;
    int measures = settings.measures;
    double tempo = settings.tempo;
    if (!exchangeIntegerField(this, beatsEdit_, kBpmMinCount, kBpmMaxCount, beats) ||
        !exchangeIntegerField(this, measuresEdit_, kBpmMinCount, kBpmMaxCount, measures) ||
        !exchangeNumberField(this, tempoEdit_, kBpmMinTempo, kBpmMaxTempo, tempo))
        return false;
    settings.beatsPerMeasure = static_cast<int16_t>(beats);
    settings.beatValueIndex = beatValue_->GetSelection() == 1 ? 1 : 0;
    settings.measures = static_cast<int16_t>(measures);
    settings.tempo = tempo;
    return true;
}
