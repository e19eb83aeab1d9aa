#include "platform/ui/Shell.h"

#include "resources/resources.h"

#include <wx/filesys.h>
#include <wx/frame.h>
#include <wx/fs_mem.h>
#include <wx/html/htmlwin.h>
#include <wx/log.h>
#include <wx/weakref.h>

namespace {

std::function<bool(const std::string&)>& linkResponder()
{
    static std::function<bool(const std::string&)> r;
    return r;
}

std::function<bool(const std::string&)>& manualResponder()
{
    static std::function<bool(const std::string&)> r;
    return r;
}

// The pages of the manual under src/resources/help/, served to the HTML
// viewer from memory so that the manual travels inside the program.
const char* const kManualFiles[] = {"index.html", "window.html", "toolbar.html", "menus.html",
                                    "controls.html", "leaving.html", "about.html"};

void registerManualFiles()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    wxFileSystem::AddHandler(new wxMemoryFSHandler);
    for (const char* name : kManualFiles) {
        const EmbeddedResource res = findResource((std::string("help/") + name).c_str());
        if (res.data)
            wxMemoryFSHandler::AddFile(wxString("ringtide-help/") + name, res.data, res.size);
    }
}

// One manual window at a time; a second request brings it forward.
wxWeakRef<wxFrame>& manualFrame()
{
    static wxWeakRef<wxFrame> frame;
    return frame;
}

} // namespace

void defaultBeep()
{
    ++shell_hook::beepCount();
    wxBell();
}

bool openWebLink(const std::string& url)
{
    shell_hook::linkLog().push_back(url);
    if (linkResponder())
        return linkResponder()(url);
    // Without a browser wx would log "Failed to open URL" in a box of its own;
    // the caller says it the program's way (a beep) instead.
    wxLogNull quiet;
    return wxLaunchDefaultBrowser(wxString::FromUTF8(url));
}

bool openManual(wxWindow* parent, const std::string& page)
{
    shell_hook::manualLog().push_back(page);
    if (manualResponder())
        return manualResponder()(page);

    registerManualFiles();
    if (!findResource(("help/" + page).c_str()).data)
        return false;
    wxFrame* frame = manualFrame().get();
    wxHtmlWindow* html = nullptr;
    if (!frame) {
        frame = new wxFrame(parent, wxID_ANY, "Ringtide's Manual", wxDefaultPosition, wxSize(640, 560));
        html = new wxHtmlWindow(frame, wxID_ANY);
        html->SetName("manual");
        manualFrame() = frame;
    } else {
        html = static_cast<wxHtmlWindow*>(frame->FindWindow("manual"));
    }
    if (!html || !html->LoadPage(wxString("memory:ringtide-help/") + page))
        return false;
    frame->Show();
    frame->Raise();
    return true;
}

namespace shell_hook {
int& beepCount()
{
    static int count = 0;
    return count;
}
void setLinkResponder(std::function<bool(const std::string&)> r) { linkResponder() = std::move(r); }
std::vector<std::string>& linkLog()
{
    static std::vector<std::string> entries;
    return entries;
}
void setManualResponder(std::function<bool(const std::string&)> r) { manualResponder() = std::move(r); }
std::vector<std::string>& manualLog()
{
    static std::vector<std::string> entries;
    return entries;
}
} // namespace shell_hook
