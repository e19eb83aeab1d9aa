#pragma once
// Open and save dialogs for WAV files: filter "Wave Files (*.wav)" matching
// the extension in any case (Open also offers "All files"), default extension
// "wav", and a question before an existing file is overwritten.
//
// Tests install a responder that stands in for the dialog itself: it receives
// what was asked (kind, proposed name, starting folder) and returns the path
// as chosen, or an empty string for Cancel. What follows the dialog (the
// extension added, the overwrite question) runs on the responder's answer
// as on the dialog's.

#include <functional>
#include <string>
#include <vector>

class wxWindow;

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string proposedPath; // the save dialog's proposed name (folder + name); empty for Open
    std::string folder;       // the open dialog's starting folder; empty: the dialog's own choice
    std::string filter;       // as wx takes it: "description|patterns" pairs joined by "|"
};

// Full path of the chosen file, or empty when the user cancelled. The dialog
// starts in `folder` (normally the current sound's).
std::string askOpenWaveFile(wxWindow* parent, const std::string& folder = {});
// A chosen name without extension gets ".wav" added. When the resulting file
// exists, "<name> already exists.\nDo you want to replace it?" is asked
// (Yes / No, question icon); No shows the dialog again with that name.
std::string askSaveWaveFile(wxWindow* parent, const std::string& proposedPath);

// The wave filter as the dialogs use it, one filter for wx (no trailing "|"),
// with a pattern for every case of "wav".
std::string waveFileFilter();
// The filter Open offers after the wave filter.
std::string allFilesFilter();

namespace filedialog_hook {
using Responder = std::function<std::string(const FileDialogRequest&)>;
void setResponder(Responder responder); // empty restores the real dialogs
std::vector<FileDialogRequest>& log();
} // namespace filedialog_hook
