#pragma once
// Data exchange of a whole-number edit field, shared by the loop engine's
// dialogs and the main window's loop-length edits. A field that does not hold
// a number, or holds one outside its bounds, is refused with the toolkit's
// standard prompt; the caller keeps its value and the dialog stays open.

#include <wx/string.h>

#include <optional>
#include <string>

class wxTextCtrl;
class wxWindow;

// The decimal integer in `text`: an optional sign and digits, blanks allowed
// around them. Empty text, other characters or a value beyond the int range
// give nothing.
std::optional<int> parseIntegerField(const wxString& text);

// Nothing when `text` holds an integer in minimum..maximum (inclusive);
// otherwise the prompt to show: "Please enter an integer." for text that is
// not a number, "Please enter an integer between <minimum> and <maximum>."
// for a number out of bounds.
std::optional<std::string> integerFieldProblem(const wxString& text, int minimum, int maximum);

// Reads `edit` into `value` when it passes integerFieldProblem. Otherwise
// shows the prompt (parent's message box), gives the edit the focus with its
// text selected, and returns false with `value` unchanged.
bool exchangeIntegerField(wxWindow* parent, wxTextCtrl* edit, int minimum, int maximum, int& value);
