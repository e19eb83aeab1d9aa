// Sounds read at more than 16 bits (or as float): the window's side of
// keeping the file's own samples until an edit changes the 16-bit image.

#include "app/CMainDlg.h"

#include "document/format.h"

void CMainDlg::showSixteenBitFormat()
{
    if (!doc.fullRes.present())
        return;
    doc.dropFullResolution();
    setText(ID_WAVE_PROPERTIES, fileInformationText(doc));
}
