#include "platform/ui/FileDialogs.h"
#include "platform/ui/MessageBox.h"
#include "ui_test_support.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/filedlg.h>
#include <wx/frame.h>
#include <wx/html/htmlwin.h>
#include <wx/modalhook.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <functional>

#include <dlfcn.h>

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

TEST(FileDialogs, ScriptedAnswersSeeWhatWasAsked)
{
    uitest::ScriptedFiles files({"/tmp/a.wav", ""});
    EXPECT_EQ(askOpenWaveFile(nullptr, "/home/me/sounds/"), "/tmp/a.wav");
    EXPECT_EQ(askSaveWaveFile(nullptr, "/tmp/b.wav"), "");
    ASSERT_EQ(files.asked.size(), 2u);
    EXPECT_EQ(files.asked[0].kind, FileDialogKind::Open);
    EXPECT_EQ(files.asked[0].folder, "/home/me/sounds/");
    EXPECT_EQ(files.asked[1].kind, FileDialogKind::Save);
    EXPECT_EQ(files.asked[1].proposedPath, "/tmp/b.wav");
    // One filter for wx, no empty one after it.
    EXPECT_EQ(files.asked[1].filter.rfind("Wave Files (*.wav)|", 0), 0u);
    EXPECT_NE(files.asked[1].filter.back(), '|');
}

// The filters in a real dialog, matched by GTK itself (looked up at run
// time: the tests are not built against GTK's headers). GTK matches patterns
// case-sensitively.
TEST(FileDialogs, OpenShowsWaveFilesInAnyCaseThenAllFiles)
{
    struct FilterInfo {
        int contains;
        const char* filename;
        const char* uri;
        const char* displayName;
        const char* mimeType;
    };
    struct SList {
        void* data;
        SList* next;
    };
    using ListFilters = SList* (*)(void*);
    using FilterName = const char* (*)(void*);
    using Filter = int (*)(void*, const FilterInfo*);
    const auto listFilters = reinterpret_cast<ListFilters>(dlsym(RTLD_DEFAULT, "gtk_file_chooser_list_filters"));
    const auto nameOf = reinterpret_cast<FilterName>(dlsym(RTLD_DEFAULT, "gtk_file_filter_get_name"));
    const auto filter = reinterpret_cast<Filter>(dlsym(RTLD_DEFAULT, "gtk_file_filter_filter"));
    ASSERT_TRUE(listFilters && nameOf && filter);

    uitest::ScriptedFiles files({""});
    askOpenWaveFile(nullptr);
    ASSERT_EQ(files.asked.size(), 1u);
    wxFileDialog dialog(nullptr, "Open", "", "", wxString::FromUTF8(files.asked[0].filter),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    std::vector<void*> filters;
    SList* list = listFilters(dialog.GetHandle());
    for (SList* node = list; node; node = node->next)
        filters.push_back(node->data);
    if (const auto freeList = reinterpret_cast<void (*)(SList*)>(dlsym(RTLD_DEFAULT, "g_slist_free")))
        freeList(list);
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(std::string(nameOf(filters[0])).rfind("Wave Files", 0), 0u) << nameOf(filters[0]);
    EXPECT_EQ(std::string(nameOf(filters[1])).rfind("All files", 0), 0u) << nameOf(filters[1]);
    auto shows = [&](void* f, const char* name) {
        const std::string path = std::string("/tmp/") + name;
        const FilterInfo info{1 | 4, path.c_str(), nullptr, name, nullptr}; // file name and display name
        return filter(f, &info) != 0;
    };
    for (const char* name : {"a.wav", "A.WAV", "b.Wav", "c.wAv"})
        EXPECT_TRUE(shows(filters[0], name)) << name;
    EXPECT_FALSE(shows(filters[0], "notes.txt"));
    EXPECT_TRUE(shows(filters[1], "notes.txt"));
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
