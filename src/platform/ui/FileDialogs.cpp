#include "platform/ui/FileDialogs.h"

#include <wx/filedlg.h>
#include <wx/filename.h>

namespace {

filedialog_hook::Responder& responder()
{
    static filedialog_hook::Responder r;
    return r;
}

std::string ask(wxWindow* parent, const FileDialogRequest& request)
{
    filedialog_hook::log().push_back(request);
    if (responder())
        return responder()(request);

    const bool save = request.kind == FileDialogKind::Save;
    wxString folder, name;
    if (save && !request.proposedPath.empty()) {
        const wxFileName proposed(wxString::FromUTF8(request.proposedPath));
        folder = proposed.GetPath();
        name = proposed.GetFullName();
    }
    const long style = save ? (wxFD_SAVE | wxFD_OVERWRITE_PROMPT) : (wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    wxFileDialog dialog(parent, save ? "Save As" : "Open", folder, name, wxString::FromUTF8(waveFileFilter()), style);
    if (dialog.ShowModal() != wxID_OK)
        return {};
    wxFileName chosen(dialog.GetPath());
    if (save && !chosen.HasExt())
        chosen.SetExt("wav");
    return chosen.GetFullPath().ToStdString(wxConvUTF8);
}

} // namespace

std::string waveFileFilter()
{
    std::string filter = "Wave Files (*.wav)|*.wav||";
    while (!filter.empty() && filter.back() == '|')
        filter.pop_back();
    return filter;
}

std::string askOpenWaveFile(wxWindow* parent)
{
    return ask(parent, FileDialogRequest{FileDialogKind::Open, {}});
}

std::string askSaveWaveFile(wxWindow* parent, const std::string& proposedPath)
{
    return ask(parent, FileDialogRequest{FileDialogKind::Save, proposedPath});
}

namespace filedialog_hook {
void setResponder(Responder r) { responder() = std::move(r); }
std::vector<FileDialogRequest>& log()
{
    static std::vector<FileDialogRequest> entries;
    return entries;
}
} // namespace filedialog_hook
