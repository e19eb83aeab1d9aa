#include "document/format.h"

#include "document/SampleBuffer.h"
#include "document/file_marks_edit.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string formatInteger(int32_t value, bool group)
{
    char text[32];
    if (group && value >= 1000)
        std::snprintf(text, sizeof text, "%d.%03d", value / 1000, value % 1000);
    else
        std::snprintf(text, sizeof text, "%d", value);
    return text;
}

namespace {

// Removes zeros between the decimal point and the end of the mantissa,
// keeping the point itself: "440.000" -> "440.", "1.500e+003" -> "1.5e+003".
std::string stripTrailingZeros(const std::string& text)
{
    const size_t point = text.find('.');
    if (point == std::string::npos)
        return text;
    const size_t exponent = text.find('e');
    const size_t mantissaEnd = exponent == std::string::npos ? text.size() : exponent;
    size_t keep = mantissaEnd;
    while (keep > point + 1 && text[keep - 1] == '0')
        --keep;
    return text.substr(0, keep) + text.substr(mantissaEnd);
}

} // namespace

std::string formatSignificant(double value, int digits)
{
    if (digits > 49)
        digits = 49;
    if (digits < 1)
        digits = 1;
    char text[128];
    // The exponent of the value rounded to `digits` significant digits.
    std::snprintf(text, sizeof text, "%#.*e", digits - 1, value);
    const char* e = std::strchr(text, 'e');
    const int exponent = e ? std::atoi(e + 1) : 0;
    const int integerDigits = value == 0.0 ? 1 : exponent + 1;

    if (integerDigits >= 0 && integerDigits <= digits) {
        std::snprintf(text, sizeof text, "%#.*f", digits - integerDigits, value);
        return stripTrailingZeros(text);
    }
    // d.ddd plus a three-digit signed exponent.
    std::string mantissa(text, static_cast<size_t>(e - text));
    char tail[16];
    std::snprintf(tail, sizeof tail, "e%c%03d", exponent < 0 ? '-' : '+', std::abs(exponent));
    return stripTrailingZeros(mantissa + tail);
}

int32_t durationMs(int32_t frames, int32_t rate)
{
    if (rate <= 0)
        return 0;
    return static_cast<int32_t>(static_cast<double>(frames) * 1000.0 / rate + 0.5);
}

std::string fileInformationText(const SampleBuffer& doc)
{
    // What a save writes: the file's own format while its samples stand for
    // the image, else the image itself (16 bits, or 8 for an 8-bit sound).
    const bool own = doc.ownSamplesCurrent();
    const bool stale = doc.fullRes.present() && !own;
    const int32_t bits = !stale ? doc.bitsPerSample
                         : doc.bitsPerSample == 8 && !doc.fullRes.encoding.isFloat ? 8 : 16;
    const std::string marks = fileMarksSummary(doc);
    return formatInteger(doc.sampleRate, true) + " Hz; " + formatInteger(bits) + " bit" +
           (own && doc.fullRes.encoding.isFloat ? " float; " : "; ") + (doc.channels == 2 ? "Stereo" : "Mono") +
           (marks.empty() ? "" : "; " + marks);
}

std::string windowTitle(const std::string& fileTitle)
{
    return "Ringtide - [" + fileTitle + "]";
}

namespace {
constexpr double kMidiZeroHz = 8.175798915;

int equalStepsOf(double hz, double stepsPerOctave)
{
    if (!(hz > kMidiZeroHz))
        return 0;
    return static_cast<int>(stepsPerOctave * std::log2(hz / kMidiZeroHz) + 0.5);
}
} // namespace

int midiNoteOf(double hz) { return equalStepsOf(hz, 12.0); }
int note31Of(double hz) { return equalStepsOf(hz, 31.0); }

std::string midiNoteName(int note)
{
    static const char* const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    if (note < 0 || note > 127)
        return std::string();
    return std::string(names[note % 12]) + std::to_string(note / 12 - 1) + " (" + std::to_string(note) + ")";
}
