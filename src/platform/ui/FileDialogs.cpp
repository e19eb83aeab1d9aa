#include "platform/ui/FileDialogs.h"

#include "platform/ui/MessageBox.h"

#include <wx/filedlg.h>
#include <wx/filename.h>

namespace {

filedialog_hook::Responder& responder()
{
    static filedialog_hook::Responder r;
    return r;
}

// What the dialog itself answers: the path as chosen, or empty for Cancel.
std::string showDialog(wxWindow* parent, const FileDialogRequest& request)
{
    filedialog_hook::log().push_back(request);
    if (responder())
        return responder()(request);

    const bool save = request.kind == FileDialogKind::Save;
    wxString folder = wxString::FromUTF8(request.folder), name;
    if (save && !request.proposedPath.empty()) {
        const wxFileName proposed(wxString::FromUTF8(request.proposedPath));
        folder = proposed.GetPath();
        name = proposed.GetFullName();
    }
    // No overwrite prompt from the dialog: it would ask about the name as
    // typed, before ".wav" is added. The question comes afterwards, for the
    // name that will really be written.
    const long style = save ? wxFD_SAVE : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    wxFileDialog dialog(parent, save ? "Save As" : "Open", folder, name, wxString::FromUTF8(request.filter), style);
    if (dialog.ShowModal() != wxID_OK)
        return {};
    return dialog.GetPath().ToStdString(wxConvUTF8);
}

} // namespace

std::string waveFileFilter()
{
    // GTK matches patterns case-sensitively: one pattern per spelling of
    // "wav" shows "A.WAV" and "b.Wav" as well.
    std::string patterns;
    for (int spelling = 0; spelling < 8; ++spelling) {
        std::string extension = "wav";
        for (int letter = 0; letter < 3; ++letter)
            if (spelling & (1 << letter))
                extension[letter] = static_cast<char>(extension[letter] - 'a' + 'A');
        patterns += (spelling ? ";*." : "*.") + extension;
    }
    return "Wave Files (*.wav)|" + patterns;
}

std::string allFilesFilter() { return "All files (*)|*"; }

std::string askOpenWaveFile(wxWindow* parent, const std::string& folder)
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Open;
    request.folder = folder;
    request.filter = waveFileFilter() + "|" + allFilesFilter();
    return showDialog(parent, request);
}

std::string askSaveWaveFile(wxWindow* parent, const std::string& proposedPath)
{
    FileDialogRequest request;
    request.kind = FileDialogKind::Save;
    request.proposedPath = proposedPath;
    request.filter = waveFileFilter();
    for (;;) {
        const std::string chosen = showDialog(parent, request);
        if (chosen.empty())
            return {};
        wxFileName name(wxString::FromUTF8(chosen));
        if (!name.HasExt())
            name.SetExt("wav");
        const std::string path = name.GetFullPath().ToStdString(wxConvUTF8);
        if (!name.Exists())
            return path;
        const std::string question = name.GetFullName().ToStdString(wxConvUTF8) +
                                     " already exists.\nDo you want to replace it?";
        if (showMessage(parent, question, MessageButtons::YesNo, MessageIcon::Question) == MessageAnswer::Yes)
            return path;
        // No: back to the dialog, with the name it had.
        request.proposedPath = path;
    }
}

namespace filedialog_hook {
void setResponder(Responder r) { responder() = std::move(r); }
std::vector<FileDialogRequest>& log()
{
    static std::vector<FileDialogRequest> entries;
    return entries;
}
} // namespace filedialog_hook
