#include "platform/ui/FileDialogs.h"
#include "platform/ui/MessageBox.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/html/htmlwin.h>
#include <wx/modalhook.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <functional>

#include <fnmatch.h>

namespace {

// Looks at the real box when it opens and answers with one of its buttons.
class InspectBox : public wxModalDialogHook {
public:
    std::function<int(wxDialog*)> inspect;

protected:
    int Enter(wxDialog* dialog) override { return inspect(dialog); }
    void Exit(wxDialog*) override {}
};

// The real box runs with no responder; the default hooks come back after.
struct RealBoxes {
    RealBoxes() { msgbox_hook::setResponder(nullptr); }
    ~RealBoxes() { uitest::installDefaultPlatformHooks(); }
};

std::vector<int> buttonIds(wxDialog* d)
{
    std::vector<int> ids;
    for (int id : {wxID_OK, wxID_YES, wxID_NO, wxID_CANCEL})
        if (d->FindWindow(id) && dynamic_cast<wxButton*>(d->FindWindow(id)))
            ids.push_back(id);
    return ids;
}

} // namespace

TEST(MessageBox, TheRealBoxHasItsCaptionTextIconAndButtons)
{
    RealBoxes real;
    InspectBox hook;
    std::vector<int> buttons;
    wxString caption, text;
    int icons = 0;
    hook.inspect = [&](wxDialog* d) {
        caption = d->GetTitle();
        buttons = buttonIds(d);
        for (wxWindow* w : d->GetChildren()) {
            if (dynamic_cast<wxStaticBitmap*>(w))
                ++icons;
            if (auto* t = dynamic_cast<wxStaticText*>(w))
                text = t->GetLabelText();
        }
        return wxID_NO;
    };
    hook.Register();
    const MessageAnswer answer =
        showMessage(nullptr, "Do you want to save changes to a.wav?", MessageButtons::YesNoCancel, MessageIcon::Question);
    hook.Unregister();
    EXPECT_EQ(answer, MessageAnswer::No);
    EXPECT_EQ(caption, "Ringtide");
    EXPECT_EQ(text, "Do you want to save changes to a.wav?");
    EXPECT_EQ(icons, 1);
    EXPECT_EQ(buttons, (std::vector<int>{wxID_YES, wxID_NO, wxID_CANCEL}));
}

TEST(MessageBox, EachKindOfBoxAnswersWithItsButtons)
{
    RealBoxes real;
    InspectBox hook;
    std::vector<int> buttons;
    int reply = wxID_OK;
    hook.inspect = [&](wxDialog* d) {
        buttons = buttonIds(d);
        return reply;
    };
    hook.Register();
    EXPECT_EQ(showMessage(nullptr, "Unhandled kind of file."), MessageAnswer::Ok);
    EXPECT_EQ(buttons, std::vector<int>{wxID_OK});
    reply = wxID_YES;
    EXPECT_EQ(showMessage(nullptr, "Do you realy want to quit?", MessageButtons::YesNo, MessageIcon::Question),
              MessageAnswer::Yes);
    EXPECT_EQ(buttons, (std::vector<int>{wxID_YES, wxID_NO}));
    reply = wxID_CANCEL;
    EXPECT_EQ(showMessage(nullptr, "?", MessageButtons::YesNoCancel, MessageIcon::Question), MessageAnswer::Cancel);
    hook.Unregister();
}

TEST(MessageBox, AResponderAnswersInsteadOfABoxAndEverythingIsLogged)
{
    const size_t before = msgbox_hook::log().size();
    uitest::ScriptedMessages boxes({MessageAnswer::Yes});
    UserMessage m;
    m.text = "The number of samples must be at least 128. Otherwise some function couldn't work.";
    m.icon = MessageIcon::Stop;
    EXPECT_EQ(showMessage(nullptr, m), MessageAnswer::Yes);
    ASSERT_EQ(msgbox_hook::log().size(), before + 1);
    EXPECT_EQ(msgbox_hook::log().back().icon, MessageIcon::Stop);
    EXPECT_EQ(boxes.asked.at(0).text, m.text);
}

namespace {

// The filters as GTK sees them: "description|patterns|description|patterns",
// patterns separated by ";" and matched case-sensitively.
struct Filter {
    std::string description;
    std::vector<std::string> patterns;
    bool shows(const std::string& name) const
    {
        for (const std::string& p : patterns)
            if (fnmatch(p.c_str(), name.c_str(), 0) == 0)
                return true;
        return false;
    }
};

std::vector<Filter> filtersOf(const std::string& text)
{
    std::vector<std::string> parts;
    size_t from = 0;
    for (size_t bar; (bar = text.find('|', from)) != std::string::npos; from = bar + 1)
        parts.push_back(text.substr(from, bar - from));
    parts.push_back(text.substr(from));
    std::vector<Filter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        Filter f{parts[i], {}};
        std::string list = parts[i + 1];
        for (size_t semi; (semi = list.find(';')) != std::string::npos; list.erase(0, semi + 1))
            f.patterns.push_back(list.substr(0, semi));
        f.patterns.push_back(list);
        filters.push_back(f);
    }
    EXPECT_EQ(parts.size() % 2, 0u) << text;
    return filters;
}

} // namespace

TEST(FileDialogs, OpenShowsWaveFilesInAnyCaseThenAllFiles)
{
    uitest::ScriptedFiles files({"/tmp/a.wav", ""});
    EXPECT_EQ(askOpenWaveFile(nullptr, "/home/me/sounds/"), "/tmp/a.wav");
    EXPECT_EQ(askSaveWaveFile(nullptr, "/tmp/b.wav"), "");
    ASSERT_EQ(files.asked.size(), 2u);
    EXPECT_EQ(files.asked[0].kind, FileDialogKind::Open);
    EXPECT_EQ(files.asked[0].folder, "/home/me/sounds/");
    EXPECT_EQ(files.asked[1].kind, FileDialogKind::Save);
    EXPECT_EQ(files.asked[1].proposedPath, "/tmp/b.wav");

    const std::vector<Filter> open = filtersOf(files.asked[0].filter);
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0].description, "Wave Files (*.wav)");
    for (const char* name : {"a.wav", "A.WAV", "b.Wav", "c.wAv", "d.waV", "e.WAv", "f.wAV", "g.WaV"})
        EXPECT_TRUE(open[0].shows(name)) << name;
    for (const char* name : {"a.wave", "notes.txt", "wav", "a.wav.bak"})
        EXPECT_FALSE(open[0].shows(name)) << name;
    EXPECT_EQ(open[1].description.rfind("All files", 0), 0u) << open[1].description;
    for (const char* name : {"notes.txt", "README", "a.WAV"})
        EXPECT_TRUE(open[1].shows(name)) << name;

    const std::vector<Filter> save = filtersOf(files.asked[1].filter);
    ASSERT_EQ(save.size(), 1u);
    EXPECT_TRUE(save[0].shows("A.WAV"));
}

TEST(Manual, OpensAtItsContentsPageFromTheEmbeddedFiles)
{
    shell_hook::setManualResponder(nullptr);
    const bool shown = openManual(nullptr, "index.html");
    uitest::installDefaultPlatformHooks();
    ASSERT_TRUE(shown);
    wxFrame* frame = nullptr;
    for (wxWindow* w : wxTopLevelWindows)
        if (auto* f = dynamic_cast<wxFrame*>(w); f && f->GetTitle() == "Ringtide's Manual")
            frame = f;
    ASSERT_TRUE(frame);
    auto* html = dynamic_cast<wxHtmlWindow*>(frame->FindWindow("manual"));
    ASSERT_TRUE(html);
    EXPECT_EQ(html->GetOpenedPageTitle(), "Ringtide's Manual");
    // Every page of the manual is reachable and names the key of the development controls.
    EXPECT_TRUE(html->LoadPage("memory:ringtide-help/about.html"));
    EXPECT_NE(html->ToText().Find("Ctrl+Shift+D"), wxNOT_FOUND);
    frame->Destroy();
    uitest::pumpFor(20);

    shell_hook::setManualResponder(nullptr);
    EXPECT_FALSE(openManual(nullptr, "no-such-page.html"));
    uitest::installDefaultPlatformHooks();
}
