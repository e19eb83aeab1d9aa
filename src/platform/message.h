#pragma once
// What the core tells the user: a message text with the box's buttons and icon.
// The core only returns these; the window shows them through the platform's
// message box (platform/ui/MessageBox.h), which tests can answer.

#include <string>

enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageIcon { Warning, Question, Stop, Information };
enum class MessageAnswer { Ok, Yes, No, Cancel };

struct UserMessage {
    std::string text;
    MessageIcon icon = MessageIcon::Warning; // a box whose text names no icon warns
    MessageButtons buttons = MessageButtons::Ok;
};
