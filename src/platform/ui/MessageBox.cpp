#include "platform/ui/MessageBox.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

namespace {

msgbox_hook::Responder& responder()
{
    static msgbox_hook::Responder r;
    return r;
}

wxArtID artFor(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Question: return wxART_QUESTION;
    case MessageIcon::Stop: return wxART_ERROR;
    case MessageIcon::Information: return wxART_INFORMATION;
    case MessageIcon::Warning: break;
    }
    return wxART_WARNING;
}

class MessageDialog : public wxDialog {
public:
    MessageDialog(wxWindow* parent, const UserMessage& message)
        : wxDialog(parent, wxID_ANY, "Ringtide", wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU)
    {
        auto* top = new wxBoxSizer(wxHORIZONTAL);
        const wxBitmap icon = wxArtProvider::GetBitmap(artFor(message.icon), wxART_MESSAGE_BOX, wxSize(32, 32));
        top->Add(new wxStaticBitmap(this, wxID_ANY, icon), 0, wxALL | wxALIGN_TOP, 12);
        auto* text = new wxStaticText(this, wxID_ANY, wxString::FromUTF8(message.text));
        text->Wrap(FromDIP(420));
        top->Add(text, 1, wxTOP | wxBOTTOM | wxRIGHT | wxALIGN_CENTER_VERTICAL, 12);

        // wxStdDialogButtonSizer places the buttons in the desktop's own order.
        auto* buttons = new wxStdDialogButtonSizer;
        switch (message.buttons) {
        case MessageButtons::Ok:
            buttons->AddButton(new wxButton(this, wxID_OK, "OK"));
            SetEscapeId(wxID_OK);
            break;
        case MessageButtons::YesNo:
            buttons->AddButton(new wxButton(this, wxID_YES, "&Yes"));
            buttons->AddButton(new wxButton(this, wxID_NO, "&No"));
            SetEscapeId(wxID_NO);
            break;
        case MessageButtons::YesNoCancel:
            buttons->AddButton(new wxButton(this, wxID_YES, "&Yes"));
            buttons->AddButton(new wxButton(this, wxID_NO, "&No"));
            buttons->AddButton(new wxButton(this, wxID_CANCEL, "Cancel"));
            SetEscapeId(wxID_CANCEL);
            break;
        }
        buttons->Realize();
        for (int id : {wxID_YES, wxID_NO})
            if (wxWindow* b = FindWindow(id))
                b->Bind(wxEVT_BUTTON, [this, id](wxCommandEvent&) { EndModal(id); });

        auto* all = new wxBoxSizer(wxVERTICAL);
        all->Add(top, 1, wxEXPAND);
        all->Add(buttons, 0, wxEXPAND | wxALL, 8);
        SetSizerAndFit(all);
        if (wxWindow* def = FindWindow(message.buttons == MessageButtons::Ok ? wxID_OK : wxID_YES)) {
            def->SetFocus();
            if (auto* b = dynamic_cast<wxButton*>(def))
                b->SetDefault();
        }
        CentreOnParent();
    }
};

MessageAnswer answerOf(int id)
{
    switch (id) {
    case wxID_YES: return MessageAnswer::Yes;
    case wxID_NO: return MessageAnswer::No;
    case wxID_CANCEL: return MessageAnswer::Cancel;
    default: return MessageAnswer::Ok;
    }
}

} // namespace

MessageAnswer showMessage(wxWindow* parent, const UserMessage& message)
{
    msgbox_hook::log().push_back(message);
    if (responder())
        return responder()(message);
    MessageDialog dialog(parent, message);
    return answerOf(dialog.ShowModal());
}

MessageAnswer showMessage(wxWindow* parent, const std::string& text, MessageButtons buttons, MessageIcon icon)
{
    UserMessage message;
    message.text = text;
    message.buttons = buttons;
    message.icon = icon;
    return showMessage(parent, message);
}

namespace msgbox_hook {
void setResponder(Responder r) { responder() = std::move(r); }
bool hasResponder() { return static_cast<bool>(responder()); }
std::vector<UserMessage>& log()
{
    static std::vector<UserMessage> entries;
    return entries;
}
} // namespace msgbox_hook
