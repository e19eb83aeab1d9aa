#include "document/mark_chunks.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t u32At(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

void put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

int32_t position(uint32_t stored)
{
    // Past INT32_MAX lies past every sound: kept as a value settleMarks drops.
    return static_cast<int32_t>(std::min<uint32_t>(stored, INT32_MAX));
}

constexpr size_t kSamplerFixed = 36;
constexpr size_t kLoopRecord = 24;
constexpr size_t kCueRecord = 24;
constexpr size_t kLoopFieldsPresent = 16; // cue id, type, start, end

} // namespace

void readSamplerChunk(const uint8_t* body, size_t size, FileMarks& marks, std::vector<std::string>& problems)
{
    SamplerFields& f = marks.sampler;
    if (size < kSamplerFixed) {
        problems.push_back("its smpl chunk is too short to hold its fields");
        return;
    }
    f.present = true;
    f.manufacturer = u32At(body);
    f.product = u32At(body + 4);
    f.samplePeriod = u32At(body + 8);
    f.unityNote = u32At(body + 12);
    f.pitchFraction = u32At(body + 16);
    f.smpteFormat = u32At(body + 20);
    f.smpteOffset = u32At(body + 24);
    const uint32_t count = u32At(body + 28);
    const uint32_t extra = u32At(body + 32);
    // A record cut off after its end field still gives its loop (fraction
    // and play count 0): the chunk was cut short at the end of the file.
    const size_t room = (size - kSamplerFixed + kLoopRecord - kLoopFieldsPresent) / kLoopRecord;
    const size_t n = std::min<size_t>(count, room);
    if (n < count)
        problems.push_back("its smpl chunk claims " + std::to_string(count) + " loops but holds " +
                           std::to_string(n));
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* r = body + kSamplerFixed + i * kLoopRecord;
        FileLoop l;
        l.cueId = u32At(r);
        l.type = u32At(r + 4);
        l.start = position(u32At(r + 8));
        l.end = position(u32At(r + 12));
        const bool whole = kSamplerFixed + (i + 1) * kLoopRecord <= size;
        l.fraction = whole ? u32At(r + 16) : 0;
        l.playCount = whole ? u32At(r + 20) : 0;
        l.number = static_cast<int32_t>(i + 1);
        marks.loops.push_back(l);
    }
    const size_t after = std::min(size, kSamplerFixed + n * kLoopRecord);
    const size_t have = size - after;
    if (extra > have)
        problems.push_back("its smpl chunk claims more sampler data than it holds");
    const size_t keep = std::min<size_t>(extra, have);
    f.samplerData.assign(body + after, body + after + keep);
    if (have > keep)
        problems.push_back("its smpl chunk holds " + std::to_string(have - keep) +
                           " bytes past its loops and sampler data");
}

void readCueChunk(const uint8_t* body, size_t size, FileMarks& marks, std::vector<std::string>& problems)
{
    if (size < 4) {
        problems.push_back("its cue chunk is too short to hold its count");
        return;
    }
    const uint32_t count = u32At(body);
    const size_t n = std::min<size_t>(count, (size - 4) / kCueRecord);
    if (n < count)
        problems.push_back("its cue chunk claims " + std::to_string(count) + " cue points but holds " +
                           std::to_string(n));
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* r = body + 4 + i * kCueRecord;
        CuePoint c;
        c.id = u32At(r);
        c.playOrder = u32At(r + 4);
        c.position = position(u32At(r + 20));
        if (std::any_of(marks.cues.begin(), marks.cues.end(), [&](const CuePoint& o) { return o.id == c.id; })) {
            problems.push_back("its cue chunk names cue " + std::to_string(c.id) + " twice");
            continue;
        }
        marks.cues.push_back(c);
    }
}

void readCueLabels(const uint8_t* body, size_t size, FileMarks& marks, std::vector<std::string>& problems)
{
    size_t p = 4; // past "adtl"
    while (p + 8 <= size) {
        const uint8_t* e = body + p;
        const uint32_t len = u32At(e + 4);
        if (len > size - p - 8) {
            problems.push_back("an entry of its adtl list runs past the list");
            return;
        }
        // Labels wait among the notes until settleMarks gives them to their
        // cue points (the cue chunk may come later in the file).
        const bool known = std::memcmp(e, "labl", 4) == 0 || std::memcmp(e, "note", 4) == 0 ||
                           std::memcmp(e, "ltxt", 4) == 0;
        if (known && len >= 4) {
            CueNote n;
            std::memcpy(n.id, e, 4);
            n.cueId = u32At(e + 8);
            n.body.assign(e + 12, e + 8 + len);
            marks.cueNotes.push_back(std::move(n));
        }
        p += 8 + len + (len & 1);
    }
}

void settleMarks(FileMarks& marks, int32_t frames, std::vector<std::string>& problems)
{
    // Labels go to their cue points; a label without its cue point names nothing.
    std::vector<CueNote> notes;
    bool orphans = false;
    for (CueNote& n : marks.cueNotes) {
        auto cue = std::find_if(marks.cues.begin(), marks.cues.end(), [&](const CuePoint& c) { return c.id == n.cueId; });
        if (cue == marks.cues.end()) {
            orphans = true;
            continue;
        }
        if (std::memcmp(n.id, "labl", 4) == 0) {
            const auto zero = std::find(n.body.begin(), n.body.end(), uint8_t(0));
            cue->hasLabel = true;
            cue->label.assign(n.body.begin(), zero);
            continue;
        }
        notes.push_back(std::move(n));
    }
    marks.cueNotes.swap(notes);
    if (orphans)
        problems.push_back("its adtl list labels cue points that are not there");

    marks.windowLoop = -1;
    const size_t typed = marks.loops.size();
    marks.loops.erase(std::remove_if(marks.loops.begin(), marks.loops.end(),
                                     [](const FileLoop& l) { return l.type > 2; }),
                      marks.loops.end());
    const DroppedMarks outside = keepMarksInside(marks, frames);
    const size_t badLoops = typed - marks.loops.size();
    if (badLoops > 0)
        problems.push_back(std::to_string(badLoops) + (badLoops == 1 ? " loop lies" : " loops lie") +
                           " outside the sound or have an unknown type");
    const size_t badCues = outside.cues.size();
    if (badCues > 0)
        problems.push_back(std::to_string(badCues) + (badCues == 1 ? " cue point lies" : " cue points lie") +
                           " outside the sound");
    for (size_t i = 0; i < marks.loops.size(); ++i) {
        const FileLoop& l = marks.loops[i];
        if (l.type <= 1 && l.end > 0) {
            marks.windowLoop = static_cast<int32_t>(i);
            break;
        }
    }
}

std::vector<uint8_t> samplerChunkBody(const FileMarks& marks, uint32_t samplePeriodNs, uint32_t unityNote)
{
    const SamplerFields& f = marks.sampler;
    std::vector<uint8_t> b;
    b.reserve(kSamplerFixed + marks.loops.size() * kLoopRecord + f.samplerData.size());
    put32(b, f.manufacturer);
    put32(b, f.product);
    put32(b, samplePeriodNs);
    put32(b, unityNote);
    put32(b, f.pitchFraction);
    put32(b, f.smpteFormat);
    put32(b, f.smpteOffset);
    put32(b, static_cast<uint32_t>(marks.loops.size()));
    put32(b, static_cast<uint32_t>(f.samplerData.size()));
    for (const FileLoop& l : marks.loops) {
        put32(b, l.cueId);
        put32(b, l.type);
        put32(b, static_cast<uint32_t>(l.start));
        put32(b, static_cast<uint32_t>(l.end));
        put32(b, l.fraction);
        put32(b, l.playCount);
    }
    b.insert(b.end(), f.samplerData.begin(), f.samplerData.end());
    return b;
}

std::vector<uint8_t> cueChunkBody(const FileMarks& marks)
{
    std::vector<uint8_t> b;
    put32(b, static_cast<uint32_t>(marks.cues.size()));
    for (const CuePoint& c : marks.cues) {
        put32(b, c.id);
        put32(b, c.playOrder);
        b.insert(b.end(), {'d', 'a', 't', 'a'});
        put32(b, 0);
        put32(b, 0);
        put32(b, static_cast<uint32_t>(c.position));
    }
    return b;
}

bool hasCueLabels(const FileMarks& marks)
{
    return !marks.cueNotes.empty() ||
           std::any_of(marks.cues.begin(), marks.cues.end(), [](const CuePoint& c) { return c.hasLabel; });
}

std::vector<uint8_t> cueLabelsBody(const FileMarks& marks)
{
    std::vector<uint8_t> b = {'a', 'd', 't', 'l'};
    auto entry = [&](const char* id, uint32_t cueId, const uint8_t* text, size_t n, bool terminate) {
        const size_t len = 4 + n + (terminate ? 1 : 0);
        b.insert(b.end(), id, id + 4);
        put32(b, static_cast<uint32_t>(len));
        put32(b, cueId);
        b.insert(b.end(), text, text + n);
        if (terminate)
            b.push_back(0);
        if (len & 1)
            b.push_back(0);
    };
    for (const CuePoint& c : marks.cues)
        if (c.hasLabel)
            entry("labl", c.id, reinterpret_cast<const uint8_t*>(c.label.data()), c.label.size(), true);
    for (const CueNote& n : marks.cueNotes)
        entry(n.id, n.cueId, n.body.data(), n.body.size(), false);
    return b;
}
