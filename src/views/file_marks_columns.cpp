#include "views/file_marks_columns.h"

#include "views/waveform_columns.h"

#include <algorithm>
#include <cstdlib>

namespace {

const char* typeName(uint32_t type)
{
    switch (static_cast<FileLoopType>(type)) {
    case FileLoopType::Alternate: return "alternate";
    case FileLoopType::Backward: return "backward";
    default: return "forward";
    }
}

// The label of the cue point a loop record names, if it has one.
const CuePoint* labelledCue(const FileMarks& marks, uint32_t cueId)
{
    if (cueId == 0)
        return nullptr;
    for (const CuePoint& c : marks.cues)
        if (c.id == cueId && c.hasLabel && !c.label.empty())
            return &c;
    return nullptr;
}

} // namespace

std::string loopTip(const FileMarks& marks, int index)
{
    const FileLoop& l = marks.loops[static_cast<size_t>(index)];
    std::string tip = "Loop " + std::to_string(index + 1);
    if (const CuePoint* cue = labelledCue(marks, l.cueId))
        tip += " \u201c" + cue->label + "\u201d";
    return tip + " (frames " + std::to_string(l.start) + "\u2013" + std::to_string(l.end) + ", " + typeName(l.type) +
           ")";
}

std::string cueTip(const CuePoint& cue)
{
    const std::string where = "frame " + std::to_string(cue.position);
    if (cue.hasLabel && !cue.label.empty())
        return cue.label + " (cue " + std::to_string(cue.id) + ", " + where + ")";
    return "Cue " + std::to_string(cue.id) + " (" + where + ")";
}

std::vector<MarkColumn> fileMarkColumns(const FileMarks& marks, double samplesPerPixel, int width)
{
    std::vector<MarkColumn> out;
    if (width <= 0 || samplesPerPixel <= 0.0)
        return out;
    const auto column = [&](int32_t frame) { return std::clamp(columnOfSample(frame, samplesPerPixel), 0, width - 1); };
    for (size_t i = 0; i < marks.loops.size(); ++i) {
        if (static_cast<int32_t>(i) == marks.windowLoop)
            continue;
        const FileLoop& l = marks.loops[i];
        const std::string tip = loopTip(marks, static_cast<int>(i));
        out.push_back({column(l.start), MarkKind::LoopStart, l.start, static_cast<int>(i), tip});
        out.push_back({column(l.end), MarkKind::LoopEnd, l.end, static_cast<int>(i), tip});
    }
    for (size_t i = 0; i < marks.cues.size(); ++i) {
        const CuePoint& c = marks.cues[i];
        out.push_back({column(c.position), MarkKind::Cue, c.position, static_cast<int>(i), cueTip(c)});
    }
    return out;
}

const MarkColumn* markNearColumn(const std::vector<MarkColumn>& marks, int x, int tolerance)
{
    const MarkColumn* best = nullptr;
    for (const MarkColumn& m : marks) {
        const int d = std::abs(m.x - x);
        if (d <= tolerance && (!best || d < std::abs(best->x - x)))
            best = &m;
    }
    return best;
}
