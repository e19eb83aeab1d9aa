#pragma once
// Data exchange of an edit field holding a real number (the BPM machine's
// tempo), the counterpart of IntegerField.h: a field that does not hold a
// number, or holds one outside its bounds, is refused with the toolkit's
// standard prompt; the caller keeps its value and the dialog stays open.

#include <wx/string.h>

#include <optional>
#include <string>

class wxTextCtrl;
class wxWindow;

// The decimal number in `text` ("120", "-3.5", "1e2"), blanks allowed around
// it; nothing for empty text, other characters, infinities or NaN.
std::optional<double> parseNumberField(const wxString& text);

// Shortest text that reads back as the same value with 15 significant digits
// ("240", "211.68").
std::string formatNumberField(double value);

// Nothing when `text` holds a number in minimum..maximum; otherwise "Please
// enter a number." or "Please enter a number between <minimum> and <maximum>."
// (bounds written by formatNumberField).
std::optional<std::string> numberFieldProblem(const wxString& text, double minimum, double maximum);

// Reads `edit` into `value` when it passes numberFieldProblem; otherwise the
// prompt, the focus on the edit with its text selected, and false.
bool exchangeNumberField(wxWindow* parent, wxTextCtrl* edit, double minimum, double maximum, double& value);
