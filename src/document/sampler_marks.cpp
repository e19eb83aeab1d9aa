#include "document/sampler_marks.h"

#include <algorithm>

namespace {

// Removes the entries for which drop() is true, appending them to `out`, and
// keeps windowLoop pointing at the same loop (-1 when that loop went).
template <class Drop>
void dropLoops(FileMarks& marks, DroppedMarks& out, Drop drop)
{
    std::vector<FileLoop> kept;
    kept.reserve(marks.loops.size());
    int32_t window = -1;
    for (size_t i = 0; i < marks.loops.size(); ++i) {
        const FileLoop& l = marks.loops[i];
        const bool isWindow = static_cast<int32_t>(i) == marks.windowLoop;
        if (drop(l)) {
            if (!isWindow)
                out.loops.push_back(l);
            continue;
        }
        if (isWindow)
            window = static_cast<int32_t>(kept.size());
        kept.push_back(l);
    }
    marks.loops.swap(kept);
    marks.windowLoop = window;
}

template <class Drop>
void dropCues(FileMarks& marks, DroppedMarks& out, Drop drop)
{
    std::vector<CuePoint> kept;
    kept.reserve(marks.cues.size());
    for (const CuePoint& c : marks.cues) {
        if (drop(c))
            out.cues.push_back(c);
        else
            kept.push_back(c);
    }
    marks.cues.swap(kept);
    // Notes of a dropped cue point would name nothing.
    marks.cueNotes.erase(std::remove_if(marks.cueNotes.begin(), marks.cueNotes.end(),
                                        [&](const CueNote& n) {
                                            return std::none_of(marks.cues.begin(), marks.cues.end(),
                                                                [&](const CuePoint& c) { return c.id == n.cueId; });
                                        }),
                         marks.cueNotes.end());
}

std::string loopName(const FileLoop& l)
{
    std::string name = "loop";
    if (l.number > 0)
        name += " " + std::to_string(l.number);
    return name + " (frames " + std::to_string(l.start) + "\u2013" + std::to_string(l.end) + ")";
}

std::string cueName(const CuePoint& c)
{
    std::string name = "cue " + std::to_string(c.id);
    if (c.hasLabel && !c.label.empty())
        name += " \u201c" + c.label + "\u201d";
    return name + " (frame " + std::to_string(c.position) + ")";
}

} // namespace

int32_t FileMarks::extraLoopCount() const
{
    const int32_t n = static_cast<int32_t>(loops.size());
    return windowLoop >= 0 && windowLoop < n ? n - 1 : n;
}

void DroppedMarks::append(const DroppedMarks& other)
{
    loops.insert(loops.end(), other.loops.begin(), other.loops.end());
    cues.insert(cues.end(), other.cues.begin(), other.cues.end());
}

int32_t rescaledFrame(int32_t p, int32_t from, int32_t to)
{
    if (from <= 0 || to <= 0)
        return p;
    // 2 p to + from < 2^31 * 2^31 * 2 + 2^31: fits in 64 bits unsigned, and p >= 0 here.
    const uint64_t num = 2 * static_cast<uint64_t>(std::max(p, 0)) * static_cast<uint64_t>(to) +
                         static_cast<uint64_t>(from);
    const uint64_t q = num / (2 * static_cast<uint64_t>(from));
    return static_cast<int32_t>(std::min<uint64_t>(q, INT32_MAX));
}

DroppedMarks rescaleMarks(FileMarks& marks, int32_t fromRate, int32_t toRate, int32_t newFrames)
{
    DroppedMarks out;
    const int32_t last = newFrames - 1;
    for (FileLoop& l : marks.loops) {
        l.start = rescaledFrame(l.start, fromRate, toRate);
        l.end = std::min(last, rescaledFrame(l.end, fromRate, toRate));
    }
    for (CuePoint& c : marks.cues)
        c.position = rescaledFrame(c.position, fromRate, toRate);
    for (CueNote& n : marks.cueNotes) {
        // A labelled text's length in frames (first field after the cue id).
        if (std::equal(n.id, n.id + 4, "ltxt") && n.body.size() >= 4) {
            uint32_t len = 0;
            for (int i = 0; i < 4; ++i)
                len |= static_cast<uint32_t>(n.body[i]) << (8 * i);
            const int32_t scaled = rescaledFrame(static_cast<int32_t>(std::min<uint32_t>(len, INT32_MAX)), fromRate,
                                                 toRate);
            for (int i = 0; i < 4; ++i)
                n.body[i] = static_cast<uint8_t>(static_cast<uint32_t>(scaled) >> (8 * i));
        }
    }
    out.append(keepMarksInside(marks, newFrames));
    return out;
}

DroppedMarks cutMarks(FileMarks& marks, int32_t frames)
{
    return keepMarksInside(marks, frames);
}

DroppedMarks unrollMarks(FileMarks& marks, int32_t loopStart, int32_t loopEnd)
{
    DroppedMarks out;
    if (loopEnd <= loopStart)
        return out;
    // Whatever followed frame e now lies past 2e - s, the unrolled file's end.
    dropLoops(marks, out, [&](const FileLoop& l) { return l.end > loopEnd; });
    dropCues(marks, out, [&](const CuePoint& c) { return c.position > loopEnd; });
    return out;
}

DroppedMarks keepMarksInside(FileMarks& marks, int32_t frames)
{
    DroppedMarks out;
    dropLoops(marks, out, [&](const FileLoop& l) { return l.start < 0 || l.start > l.end || l.end >= frames; });
    dropCues(marks, out, [&](const CuePoint& c) { return c.position < 0 || c.position >= frames; });
    return out;
}

void placeWindowLoop(FileMarks& marks, bool hasLoop, int32_t loopStart, int32_t loopEnd, uint32_t type)
{
    const bool had = marks.windowLoop >= 0 && marks.windowLoop < static_cast<int32_t>(marks.loops.size());
    if (!hasLoop) {
        if (had)
            marks.loops.erase(marks.loops.begin() + marks.windowLoop);
        marks.windowLoop = -1;
        return;
    }
    if (!had) {
        marks.loops.insert(marks.loops.begin(), FileLoop{});
        marks.windowLoop = 0;
    }
    FileLoop& l = marks.loops[static_cast<size_t>(marks.windowLoop)];
    l.type = type;
    l.start = loopStart + 1;
    l.end = loopEnd;
}

std::string droppedMarksList(const DroppedMarks& dropped)
{
    std::vector<std::string> names;
    for (const FileLoop& l : dropped.loops)
        names.push_back(loopName(l));
    for (const CuePoint& c : dropped.cues)
        names.push_back(cueName(c));
    std::string text;
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    if (!text.empty())
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

UserMessage droppedMarksMessage(const DroppedMarks& dropped, const std::string& cause)
{
    UserMessage m;
    if (dropped.empty())
        return m;
    const bool one = dropped.loops.size() + dropped.cues.size() == 1;
    m.text = droppedMarksList(dropped) + (one ? " was" : " were") + " not kept: " + cause + ".";
    return m;
}
