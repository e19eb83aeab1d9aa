#include "document/file_marks_edit.h"

#include "document/SampleBuffer.h"

#include <algorithm>

namespace {

UserMessage warning(std::string text)
{
    UserMessage m;
    m.text = std::move(text);
    return m;
}

bool currentLoop(const SampleBuffer& doc, int32_t& first, int32_t& last)
{
    const int slot = doc.loops.currentSolution;
    if (slot < 0 || slot >= SolutionTable::kSolutions || !doc.loops.hasLoop(slot))
        return false;
    first = doc.loops.loopStart[slot] + 1;
    last = doc.loops.loopEnd[slot];
    return first <= last && last < doc.sampleCount;
}

std::string plural(size_t n, const char* word)
{
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

} // namespace

std::optional<UserMessage> checkKeepCurrentLoop(const SampleBuffer& doc)
{
    int32_t first = 0, last = 0;
    if (!currentLoop(doc, first, last))
        return warning("There must be a loop selected.");
    const FileMarks& marks = doc.marks;
    for (size_t i = 0; i < marks.loops.size(); ++i)
        if (static_cast<int32_t>(i) != marks.windowLoop && marks.loops[i].start == first && marks.loops[i].end == last)
            return warning("The file already has this loop (frames " + std::to_string(first) + "\u2013" +
                           std::to_string(last) + ").");
    return std::nullopt;
}

void keepCurrentLoop(SampleBuffer& doc)
{
    int32_t first = 0, last = 0;
    if (!currentLoop(doc, first, last))
        return;
    FileLoop loop;
    loop.type = static_cast<uint32_t>(doc.loopForward ? FileLoopType::Forward : FileLoopType::Alternate);
    loop.start = first;
    loop.end = last;
    doc.marks.loops.push_back(loop);
}

int fileLoopAt(const SampleBuffer& doc, int32_t frame)
{
    const FileMarks& marks = doc.marks;
    int best = -1;
    for (size_t i = 0; i < marks.loops.size(); ++i) {
        const FileLoop& l = marks.loops[i];
        if (static_cast<int32_t>(i) == marks.windowLoop || frame < l.start || frame > l.end)
            continue;
        if (best < 0 || int64_t(l.end) - l.start <= int64_t(marks.loops[size_t(best)].end) - marks.loops[size_t(best)].start)
            best = static_cast<int>(i);
    }
    return best;
}

std::optional<UserMessage> checkRemoveLoopAt(const SampleBuffer& doc, int32_t frame)
{
    if (fileLoopAt(doc, frame) < 0)
        return warning("There is no other loop of the file at the cursor (frame " + std::to_string(frame) + ").");
    return std::nullopt;
}

void removeLoopAt(SampleBuffer& doc, int32_t frame)
{
    const int index = fileLoopAt(doc, frame);
    if (index < 0)
        return;
    FileMarks& marks = doc.marks;
    marks.loops.erase(marks.loops.begin() + index);
    if (marks.windowLoop > index)
        --marks.windowLoop;
}

std::optional<UserMessage> checkPlaceCue(const SampleBuffer& doc, int32_t frame)
{
    if (!doc.isLoaded() || frame < 0 || frame >= doc.sampleCount)
        return warning("A cue point must lie inside the sound.");
    for (const CuePoint& c : doc.marks.cues)
        if (c.position == frame)
            return warning("There is already a cue point at frame " + std::to_string(frame) + ".");
    return std::nullopt;
}

void placeCue(SampleBuffer& doc, int32_t frame)
{
    uint32_t highest = 0;
    for (const CuePoint& c : doc.marks.cues)
        highest = std::max(highest, c.id);
    for (const FileLoop& l : doc.marks.loops)
        highest = std::max(highest, l.cueId);
    CuePoint cue;
    cue.id = highest + 1;
    cue.position = frame;
    cue.playOrder = static_cast<uint32_t>(frame);
    doc.marks.cues.push_back(cue);
}

std::string fileMarksSummary(const SampleBuffer& doc)
{
    const FileMarks& marks = doc.marks;
    const int32_t extra = marks.extraLoopCount();
    if (extra == 0 && marks.cues.empty())
        return "";
    const int slot = doc.loops.currentSolution;
    const bool current = slot >= 0 && slot < SolutionTable::kSolutions && doc.loops.hasLoop(slot);
    return plural(static_cast<size_t>(extra) + (current ? 1 : 0), "loop") + ", " + plural(marks.cues.size(), "cue");
}
