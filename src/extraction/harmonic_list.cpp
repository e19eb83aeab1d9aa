#include "extraction/harmonic_list.h"

#include <algorithm>
#include <cmath>

namespace {

bool isListCharacter(char c)
{
    return (c >= '0' && c <= '9') || c == ',' || c == '-';
}

// Reads digits from text[pos] on (none: 0), saturating at kMaxHarmonic.
int readNumber(const std::string& text, size_t& pos)
{
    int value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        value = std::min(kMaxHarmonic, value * 10 + (text[pos] - '0'));
        ++pos;
    }
    return value;
}

void append(HarmonicList& list, int from, int to)
{
    for (int h = std::max(from, 1); h <= to; ++h)
        list.push_back(static_cast<int16_t>(h));
}

} // namespace

HarmonicList parse_harmonic_list(const std::string& text)
{
    size_t end = 0;
    while (end < text.size() && isListCharacter(text[end]))
        ++end;
    size_t begin = 0;
    while (begin < end && !(text[begin] >= '0' && text[begin] <= '9'))
        ++begin;
    while (end > begin && !(text[end - 1] >= '0' && text[end - 1] <= '9'))
        --end;
    const std::string body = text.substr(begin, end - begin);

    HarmonicList list;
    size_t pos = 0;
    while (pos < body.size()) {
        const int first = readNumber(body, pos);
        if (pos < body.size() && body[pos] == '-') {
            ++pos;
            append(list, first, readNumber(body, pos));
        } else {
            append(list, first, first);
        }
        // The separator after an item, ',' or a '-' that closes a range.
        if (pos < body.size())
            ++pos;
    }
    return list;
}

HarmonicList parity_harmonic_list(int parity, int32_t count)
{
    HarmonicList list;
    const int first = parity == 0 ? 2 : 1;
    for (int32_t j = 0; j < count; ++j) {
        const int64_t h = first + 2 * static_cast<int64_t>(j);
        if (h > kMaxHarmonic)
            break;
        list.push_back(static_cast<int16_t>(h));
    }
    return list;
}

int32_t half_band_harmonic_count(int32_t sampleRate, double pitchHz)
{
    if (!(pitchHz > 0.0) || sampleRate <= 0)
        return 0;
    const double c = std::trunc(static_cast<double>(sampleRate / 2) / pitchHz * 0.5);
    return static_cast<int32_t>(std::min(c, static_cast<double>(kMaxHarmonic)));
}

double lowest_channel_pitch(const double* channelPitch, int channels)
{
    double lowest = 0.0;
    for (int c = 0; c < channels && c < 2; ++c)
        if (channelPitch[c] > 0.0 && (lowest == 0.0 || channelPitch[c] < lowest))
            lowest = channelPitch[c];
    return lowest;
}
