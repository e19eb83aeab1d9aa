#pragma once
// The program's own message box: every box carries the icon it should have
// (GTK's stock boxes show none for questions) and the platform's button order,
// captioned "Ringtide".
//
// Tests install a responder: with one in place no real box is ever shown, the
// responder answers instead. Every box asked for, answered by the user or by
// a responder, is appended to the log.

#include "platform/message.h"

#include <functional>
#include <string>
#include <vector>

class wxWindow;

MessageAnswer showMessage(wxWindow* parent, const UserMessage& message);
MessageAnswer showMessage(wxWindow* parent, const std::string& text, MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::Warning);

namespace msgbox_hook {
using Responder = std::function<MessageAnswer(const UserMessage&)>;
// An empty responder restores the real box.
void setResponder(Responder responder);
bool hasResponder();
std::vector<UserMessage>& log();
} // namespace msgbox_hook
