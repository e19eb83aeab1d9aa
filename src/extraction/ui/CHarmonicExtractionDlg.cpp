#include "extraction/ui/CHarmonicExtractionDlg.h"

CHarmonicExtractionDlg::CHarmonicExtractionDlg(wxWindow* parent)
    : CExtractionSettingsDlg(parent, IDD, "Harmonic extraction setting", false, nullptr,
                             {"all the harmonics", "all the", "harmonics:", "all the harmonics exept:"})
{
}
