#pragma once
// "Inharmonic extraction setting" (dialog 179): every inharmonic component,
// plus nothing else, every second harmonic, or the listed harmonics.

#include "extraction/ui/CExtractionSettingsDlg.h"

class CInharmonicExtractionDlg : public CExtractionSettingsDlg {
public:
    enum { IDD = 179 };
    explicit CInharmonicExtractionDlg(wxWindow* parent);
};
