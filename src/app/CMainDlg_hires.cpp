// Sounds read at more than 16 bits (or as float): the window's side of
// keeping the file's own samples until an edit changes the 16-bit image.

#include "app/CMainDlg.h"

#include "document/format.h"
#include "platform/ui/MessageBox.h"

void CMainDlg::showSixteenBitFormat()
{
    if (!doc.fullRes.present())
        return;
    doc.dropFullResolution();
    setText(ID_WAVE_PROPERTIES, fileInformationText(doc));
}

bool CMainDlg::changesSamples(int commandId)
{
    switch (commandId) {
    case ID_CUTBOOST:
    case ID_ENHANCE:
    case ID_HIPASS:
    case ID_VOLUME:
    case ID_NORMALIZE:
    case ID_RESAMPLE:
    case ID_PITCH:
    case ID_INHARMONIC_EXTRACTION:
    case ID_HARMONIC_EXTRACTION:
        return true;
    default:
        return false;
    }
}

bool CMainDlg::agreeToSixteenBit()
{
    if (!doc.fullRes.present() || !doc.fullRes.encoding.wide() || doc.sixteenBitAgreed)
        return true;
    if (showMessage(this, sixteenBitQuestion(doc.fileTitle, doc.fullRes.encoding)) != MessageAnswer::Yes)
        return false;
    doc.sixteenBitAgreed = true;
    return true;
}
