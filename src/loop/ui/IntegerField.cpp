#include "loop/ui/IntegerField.h"

#include "platform/ui/MessageBox.h"

#include <wx/textctrl.h>

#include <cctype>
#include <climits>

std::optional<int> parseIntegerField(const wxString& text)
{
    const std::string s = text.ToStdString(wxConvUTF8);
    size_t i = 0;
    const size_t n = s.size();
    auto blank = [&](size_t k) { return std::isspace(static_cast<unsigned char>(s[k])) != 0; };
    while (i < n && blank(i))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const size_t firstDigit = i;
    long long value = 0;
    while (i < n && std::isdigit(static_cast<unsigned char>(s[i]))) {
        value = value * 10 + (s[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            return std::nullopt; // too long to be an int; also stops the overflow
        ++i;
    }
    if (i == firstDigit)
        return std::nullopt;
    while (i < n && blank(i))
        ++i;
    if (i != n)
        return std::nullopt;
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<std::string> integerFieldProblem(const wxString& text, int minimum, int maximum)
{
    const std::optional<int> value = parseIntegerField(text);
    if (!value)
        return std::string("Please enter an integer.");
    if (*value < minimum || *value > maximum)
        return "Please enter an integer between " + std::to_string(minimum) + " and " + std::to_string(maximum) +
               ".";
    return std::nullopt;
}

bool exchangeIntegerField(wxWindow* parent, wxTextCtrl* edit, int minimum, int maximum, int& value)
{
    if (!edit)
        return false;
    if (const auto problem = integerFieldProblem(edit->GetValue(), minimum, maximum)) {
        showMessage(parent, *problem);
        edit->SetFocus();
        edit->SelectAll();
        return false;
    }
    value = *parseIntegerField(edit->GetValue());
    return true;
}
