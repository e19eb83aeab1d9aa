#include "processing/ui/CNormalizeDlg.h"

namespace {

CLevelDlg::Layout normalizeLayout()
{
    // Half the dB span of Volume on a slider of half its height, so one dB
    // looks the same in both dialogs.
    return {0, 180, "Normalize at:", {"0 dB", "-6 dB", "-12 dB", "-18 dB"}, 18, 66};
}

} // namespace

CNormalizeDlg::CNormalizeDlg(wxWindow* parent, double startLevelDb)
    : CLevelDlg(parent, IDD, "Normalize", normalizeLayout(), startLevelDb)
{
}
