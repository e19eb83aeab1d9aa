#pragma once
// Helpers shared by the window tests: pumping the event loop until a condition
// holds, and failing (rather than hanging) on any modal dialog nobody scripted.
//
// The platform layer's message boxes, file dialogs, web links and manual
// viewer are answered by hooks. ui_test_main.cpp installs defaults that fail
// the test on any request nobody scripted; a test scripts answers with the
// RAII helpers below, which put the defaults back when they go.

#include "platform/ui/FileDialogs.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/Shell.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/colour.h>
#include <wx/dialog.h>
#include <wx/image.h>
#include <wx/modalhook.h>
#include <wx/slider.h>
#include <wx/utils.h>

#include <chrono>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace uitest {

// Runs pending events, idle handlers and timers until cond() holds or
// timeoutMs passes; returns cond().
inline bool pumpUntil(const std::function<bool()>& cond, int timeoutMs = 3000)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline)
            return cond();
        wxTheApp->Yield(true);
        wxTheApp->ProcessIdle();
        wxMilliSleep(5);
    }
    return true;
}

// Pumps events for a fixed time (lets timers fire and windows settle).
inline void pumpFor(int ms)
{
    pumpUntil([] { return false; }, ms);
}

// The defaults: any box, file dialog, link or manual request nobody scripted
// fails the test and is answered negatively.
inline void installDefaultPlatformHooks()
{
    msgbox_hook::setResponder([](const UserMessage& m) {
        ADD_FAILURE() << "unscripted message box: " << m.text;
        return m.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    });
    filedialog_hook::setResponder([](const FileDialogRequest&) {
        ADD_FAILURE() << "unscripted file dialog";
        return std::string();
    });
    shell_hook::setLinkResponder([](const std::string& url) {
        ADD_FAILURE() << "unscripted web link: " << url;
        return false;
    });
    shell_hook::setManualResponder([](const std::string& page) {
        ADD_FAILURE() << "unscripted manual page: " << page;
        return false;
    });
}

// Answers the next message boxes in order; boxes beyond the script fail the
// test. `asked` lists every box shown while the script was in place.
class ScriptedMessages {
public:
    explicit ScriptedMessages(std::initializer_list<MessageAnswer> answers = {}) : answers_(answers)
    {
        msgbox_hook::setResponder([this](const UserMessage& m) {
            asked.push_back(m);
            if (answers_.empty()) {
                ADD_FAILURE() << "message box beyond the script: " << m.text;
                return m.buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
            }
            const MessageAnswer a = answers_.front();
            answers_.pop_front();
            return a;
        });
    }
    ~ScriptedMessages() { installDefaultPlatformHooks(); }
    size_t unused() const { return answers_.size(); }

    std::vector<UserMessage> asked;

private:
    std::deque<MessageAnswer> answers_;
};

// Answers file dialogs with fixed paths, in order.
class ScriptedFiles {
public:
    explicit ScriptedFiles(std::initializer_list<std::string> paths) : paths_(paths)
    {
        filedialog_hook::setResponder([this](const FileDialogRequest& r) {
            asked.push_back(r);
            if (paths_.empty()) {
                ADD_FAILURE() << "file dialog beyond the script";
                return std::string();
            }
            std::string p = paths_.front();
            paths_.pop_front();
            return p;
        });
    }
    ~ScriptedFiles() { installDefaultPlatformHooks(); }

    std::vector<FileDialogRequest> asked;

private:
    std::deque<std::string> paths_;
};

// The browser accepts (or refuses) every address.
class ScriptedLinks {
public:
    explicit ScriptedLinks(bool opens)
    {
        shell_hook::setLinkResponder([this, opens](const std::string& url) {
            opened.push_back(url);
            return opens;
        });
    }
    ~ScriptedLinks() { installDefaultPlatformHooks(); }

    std::vector<std::string> opened;
};

// How many pixels of a rendered picture have exactly this colour.
inline size_t countColour(const wxImage& img, unsigned char r, unsigned char g, unsigned char b)
{
    size_t count = 0;
    const unsigned char* p = img.GetData();
    const size_t pixels = static_cast<size_t>(img.GetWidth()) * img.GetHeight();
    for (size_t i = 0; i < pixels; ++i, p += 3)
        if (p[0] == r && p[1] == g && p[2] == b)
            ++count;
    return count;
}

inline size_t countColour(const wxImage& img, const wxColour& c)
{
    return countColour(img, c.Red(), c.Green(), c.Blue());
}

// Answers the dialogs of type D when the window shows one, without a modal
// loop: the script sees the dialog as it opens (its data already written to
// the controls) and returns the button that closes it. Other dialogs fall
// through to the test program's fail-on-modal hook.
template <class D>
class AnswerDialog : public wxModalDialogHook {
public:
    explicit AnswerDialog(std::function<int(D&)> script) : script_(std::move(script)) { Register(); }
    ~AnswerDialog() override { Unregister(); }
    int shown = 0;

protected:
    int Enter(wxDialog* dialog) override
    {
        auto* d = dynamic_cast<D*>(dialog);
        if (!d)
            return wxID_NONE;
        ++shown;
        d->InitDialog();
        return script_(*d);
    }
    void Exit(wxDialog*) override {}

private:
    std::function<int(D&)> script_;
};

// What the OK button does: the data exchange, which refuses a bad field.
inline bool pressOk(wxDialog& d)
{
    return d.Validate() && d.TransferDataFromWindow();
}

// Moves the slider as the user would be reported to: a new value followed by
// the notification the native control sends.
inline void moveSlider(wxSlider* slider, int position)
{
    slider->SetValue(position);
    wxCommandEvent event(wxEVT_SLIDER, slider->GetId());
    event.SetEventObject(slider);
    event.SetInt(position);
    slider->GetEventHandler()->ProcessEvent(event);
}

} // namespace uitest
