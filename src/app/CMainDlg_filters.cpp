// The filter commands of the main window: Clean low frequencies and
// Enhance/Smooth. The work is in processing/clean_enhance; these handlers
// read the controls, run it under the wait cursor with the progress bar, and
// refresh.

#include "app/CMainDlg.h"

#include "platform/ui/CUpDownCtrl.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"
#include "processing/clean_enhance.h"

#include <wx/textctrl.h>

ProgressCallback CMainDlg::filterProgress()
{
    return [this, shown = false](int position, int range) mutable {
        if (!shown) {
            showProgress();
            shown = true;
        }
        setProgress(position, range);
    };
}

void CMainDlg::onCleanLowFrequencies()
{
    if (!doc.isLoaded()) {
        focusDefaultButton();
        return;
    }
    stopPlayback();
    {
        WaitCursor wait;
        const EditOutcome outcome = applyCleanLowFrequencies(doc, undoHistory, filterProgress());
        showUndoState();
        // The high-pass keeps every harmonic where it was, so the profiles
        // are left as they are.
        if (outcome == EditOutcome::Changed)
            refreshAfterEditWithoutProfiles();
        else
            hideProgress();
        focusDefaultButton();
    }
}

void CMainDlg::onEnhanceSmooth()
{
    focusDefaultButton();
    const auto* edit = static_cast<wxTextCtrl*>(control(ID_ENHANCE_EDIT));
    const EnhanceGainEntry entry = parseEnhanceGain(edit->GetValue().ToStdString());
    if (entry.refusal) {
        showMessage(this, *entry.refusal);
        return;
    }
    if (!doc.isLoaded() || entry.gainDb == 0)
        return;
    stopPlayback();
    EnhanceResult result;
    {
        WaitCursor wait;
        result = applyEnhanceSmooth(doc, undoHistory, upDown(ID_HARMONIC_SPIN)->position(), entry.gainDb,
                                    filterProgress());
        showUndoState();
        if (result.outcome == EditOutcome::Changed)
            refreshAfterEdit();
        else
            hideProgress();
    }
    if (result.refusal)
        showMessage(this, *result.refusal);
}
