#pragma once
// "Harmonic extraction setting" (dialog 180): extract or reduce all the
// harmonics, every second one, the listed ones, or all but the listed ones.

#include "extraction/ui/CExtractionSettingsDlg.h"

class CHarmonicExtractionDlg : public CExtractionSettingsDlg {
public:
    enum { IDD = 180 };
    explicit CHarmonicExtractionDlg(wxWindow* parent);
};
