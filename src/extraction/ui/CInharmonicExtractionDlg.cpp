#include "extraction/ui/CInharmonicExtractionDlg.h"

CInharmonicExtractionDlg::CInharmonicExtractionDlg(wxWindow* parent)
    : CExtractionSettingsDlg(parent, IDD, "Inharmonic extraction setting", true,
                             "Extract all the inharmonic components + :", {"nothing else", "all the", "harmonics:"})
{
}
