#pragma once
// What the program asks of the desktop: the default beep, opening a web
// address, opening the manual, and the wait cursor. Each has a test hook so
// that tests can count beeps and answer for the browser and the help viewer.

#include <functional>
#include <string>
#include <vector>

#include <wx/utils.h>

class wxWindow;

void defaultBeep();
// true when the desktop accepted the address.
bool openWebLink(const std::string& url);
// Opens the manual at its contents page (page: a file of the embedded
// manual, e.g. "index.html"); true when it is shown.
bool openManual(wxWindow* parent, const std::string& page = "index.html");

// Hourglass for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor() = default;
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    wxBusyCursor busy_;
};

namespace shell_hook {
int& beepCount();
// Answers for the browser; empty restores the real one.
void setLinkResponder(std::function<bool(const std::string& url)> responder);
std::vector<std::string>& linkLog();
// Answers for the help viewer; empty restores the real one.
void setManualResponder(std::function<bool(const std::string& page)> responder);
std::vector<std::string>& manualLog();
} // namespace shell_hook
