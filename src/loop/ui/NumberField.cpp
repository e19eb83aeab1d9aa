#include "loop/ui/NumberField.h"

#include "platform/ui/MessageBox.h"

#include <wx/textctrl.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <locale>
#include <sstream>

std::optional<double> parseNumberField(const wxString& text)
{
    const std::string s = text.ToStdString(wxConvUTF8);
    size_t first = 0;
    size_t last = s.size();
    while (first < last && std::isspace(static_cast<unsigned char>(s[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(s[last - 1])))
        --last;
    if (first == last)
        return std::nullopt;
    // Only digits, a sign, a point and an exponent: strtod would also take
    // "inf", "nan" and hexadecimal forms. The classic locale keeps "." the
    // decimal point whatever the user's locale says.
    const std::string body = s.substr(first, last - first);
    for (char c : body)
        if (!std::isdigit(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.' && c != 'e' && c != 'E')
            return std::nullopt;
    std::istringstream in(body);
    in.imbue(std::locale::classic());
    double value = 0.0;
    in >> value;
    if (in.fail() || !in.eof() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string formatNumberField(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.15g", value);
    return text;
}

std::optional<std::string> numberFieldProblem(const wxString& text, double minimum, double maximum)
{
    const std::optional<double> value = parseNumberField(text);
    if (!value)
        return std::string("Please enter a number.");
    if (*value < minimum || *value > maximum)
        return "Please enter a number between " + formatNumberField(minimum) + " and " + formatNumberField(maximum) +
               ".";
    return std::nullopt;
}

bool exchangeNumberField(wxWindow* parent, wxTextCtrl* edit, double minimum, double maximum, double& value)
{
    if (!edit)
        return false;
    if (const auto problem = numberFieldProblem(edit->GetValue(), minimum, maximum)) {
        showMessage(parent, *problem);
        edit->SetFocus();
        edit->SelectAll();
        return false;
    }
    value = *parseNumberField(edit->GetValue());
    return true;
}
