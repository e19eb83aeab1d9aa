#pragma once
// Open and save dialogs for WAV files: filter "Wave Files (*.wav)", default
// extension "wav", and a prompt before an existing file is overwritten.
//
// Tests install a responder that receives what was asked (kind and proposed
// name) and returns the chosen full path, or an empty string for Cancel.

#include <functional>
#include <string>
#include <vector>

class wxWindow;

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string proposedPath; // the save dialog's proposed name (folder + name); empty for Open
};

// Full path of the chosen file, or empty when the user cancelled.
std::string askOpenWaveFile(wxWindow* parent);
// A chosen name without extension gets ".wav" added.
std::string askSaveWaveFile(wxWindow* parent, const std::string& proposedPath);

// The filter as the dialogs use it: the historical "||" terminator dropped, so
// wx sees one filter and not two.
std::string waveFileFilter();

namespace filedialog_hook {
using Responder = std::function<std::string(const FileDialogRequest&)>;
void setResponder(Responder responder); // empty restores the real dialogs
std::vector<FileDialogRequest>& log();
} // namespace filedialog_hook
