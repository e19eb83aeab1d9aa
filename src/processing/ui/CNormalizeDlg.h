#pragma once
// The Normalize dialog (182): the level that the sound's peak should reach,
// 0 dB (top) .. -18 dB (bottom), under the caption "Normalize at:".

#include "processing/ui/CVolumeDlg.h"

class CNormalizeDlg : public CLevelDlg {
public:
    enum { IDD = 182 };
    CNormalizeDlg(wxWindow* parent, double startLevelDb);
};
