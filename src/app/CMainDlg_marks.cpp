// The file's other loops and cue points: the three Operations commands that
// edit them. The edits themselves are document/file_marks_edit.h's; the
// waveform draws the marks from the document.

#include "app/CMainDlg.h"

#include "document/file_marks_edit.h"
#include "document/format.h"
#include "platform/ui/MessageBox.h"
#include "views/ui/WaveformView.h"

void CMainDlg::onKeepLoop()
{
    if (const auto refusal = checkKeepCurrentLoop(doc)) {
        showMessage(this, *refusal);
        return;
    }
    pushUndo();
    keepCurrentLoop(doc);
    refreshAfterMarksEdit();
}

void CMainDlg::onRemoveLoop()
{
    const int32_t cursor = waveformView_->selectionStart();
    if (const auto refusal = checkRemoveLoopAt(doc, cursor)) {
        showMessage(this, *refusal);
        return;
    }
    pushUndo();
    removeLoopAt(doc, cursor);
    refreshAfterMarksEdit();
}

void CMainDlg::onPlaceCue()
{
    const int32_t at = waveformView_->selectionStart();
    if (const auto refusal = checkPlaceCue(doc, at)) {
        showMessage(this, *refusal);
        return;
    }
    pushUndo();
    placeCue(doc, at);
    refreshAfterMarksEdit();
}

void CMainDlg::onUpdateMarkCommand(wxUpdateUIEvent& event)
{
    bool on = doc.isLoaded() && !commandsLocked_;
    if (event.GetId() == ID_KEEP_LOOP)
        on = on && doc.loops.hasLoop(doc.loops.currentSolution);
    event.Enable(on);
}

void CMainDlg::refreshAfterMarksEdit()
{
    waveformView_->Refresh();
    setText(ID_WAVE_PROPERTIES, fileInformationText(doc));
    doc.isSaved = false;
    enableMenuItem(ID_SAVE, true);
    enableControl(ID_SAVE);
}
