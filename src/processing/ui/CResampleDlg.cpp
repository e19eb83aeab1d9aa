#include "processing/ui/CResampleDlg.h"

#include "document/format.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/MessageBox.h"
#include "processing/resample.h"

#include <wx/combobox.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

namespace {

constexpr int kMargin = 7;
constexpr int kGroupWidth = 120;
constexpr int kGroupHeight = 32;
constexpr int kButtonX = kMargin + kGroupWidth + 8;

} // namespace

CResampleDlg::CResampleDlg(wxWindow* parent, int32_t startRate)
    : wxDialog(parent, IDD, "Resample")
    , rate(startRate)
{
    const DialogUnits units(this);
    new wxStaticBox(this, wxID_ANY, "", units.at(kMargin, kMargin - 3), units.size(kGroupWidth, kGroupHeight + 3));
    new wxStaticText(this, wxID_ANY, "New sample rate:", units.at(kMargin + 7, kMargin + 13), units.size(58, 8));
    const wxString rates[] = {"48.000", "44.100", "32.000", "24.000", "22.050", "12.000", "11025"};
    combo_ = new wxComboBox(this, IDC_RATE, "", units.at(kMargin + 66, kMargin + 11), units.size(48, 12),
                            WXSIZEOF(rates), rates, wxCB_DROPDOWN);
    units.addOkCancelColumn(kButtonX, kMargin);
    const wxPoint extent = units.at(kButtonX + DialogUnits::kButtonWidth + kMargin,
                                    kMargin + 2 * DialogUnits::kButtonHeight + DialogUnits::kButtonGap + kMargin);
    SetClientSize(extent.x, extent.y);
}

bool CResampleDlg::TransferDataToWindow()
{
    combo_->SetValue(formatInteger(rate, true));
    return true;
}

bool CResampleDlg::TransferDataFromWindow()
{
    const std::optional<int32_t> value = parseSampleRate(combo_->GetValue().ToStdString(wxConvUTF8));
    if (!value) {
        showMessage(this, positiveNumberMessage());
        return false;
    }
    if (!sampleRateInRange(*value)) {
        showMessage(this, rateOutOfRangeMessage());
        return false;
    }
    rate = *value;
    return true;
}
