#include "cli/cli_sound.h"

#include "document/load_sound.h"
#include "loop/auto_loop.h"
#include "document/wav_reader.h"
#include "dsp/spectrum_analysis.h"

#include <algorithm>
#include <atomic>
#include <filesystem>

std::string fullPath(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path, ec);
    if (ec)
        return path;
    std::string text = p.lexically_normal().string();
    while (text.size() > 1 && text.back() == '/')
        text.pop_back();
    return text;
}

void setFileIdentity(SampleBuffer& doc, const std::string& path)
{
    const size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    doc.filePath = path;
    doc.fileFolder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const size_t dot = name.rfind('.');
    doc.fileTitle = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
}

LoadedSound loadFile(SampleBuffer& doc, const std::string& path)
{
    LoadedSound out;
    const std::string full = fullPath(path);
    setFileIdentity(doc, path);
    const LoadOutcome load = loadSoundFile(doc, full);
    if (!load.loaded) {
        // The reader's messages name the file by its title; the tool names the
        // full path, so that a folder given by mistake reads plainly.
        if (load.status == WaveReadStatus::CannotOpen)
            out.error = full + " could not be opened!";
        else if (load.status == WaveReadStatus::BadFormat)
            out.error = "A problem happens in reading the file " + full + "!";
        else
            out.error = load.messages.empty() ? "The file could not be read." : load.messages.back().text;
        return out;
    }
    const UserMessage damage = truncatedDataWarningMessage(full, load.framesDeclared, load.framesPresent);
    for (const UserMessage& m : load.messages) {
        if (load.dataTruncated && m.text == damage.text)
            out.damage = m.text;
        else
            out.warnings.push_back(m.text);
    }
    out.loaded = true;
    return out;
}

LoadedSound loadLikeWindow(SampleBuffer& doc, const std::string& path)
{
    LoadedSound out = loadFile(doc, path);
    if (!out.loaded)
        return out;
    SpectrumAnalysis analysis;
    out.pitchFound = analyseSpectrum(doc, nullptr, analysis);
    updatePitch(doc);
    return out;
}

void writeLoadWarnings(JsonWriter& json, const std::string& damage, const std::vector<std::string>& warnings)
{
    if (!damage.empty())
        json.field("warning", damage);
    if (!warnings.empty())
        json.stringArray("warnings", warnings);
}

namespace {

// The window's Auto loop from the sustain on: its loops become the
// solutions list, each with its junction mismatch as the score.
SearchRun autoLoopLikeWindow(SampleBuffer& doc, SearchRun run)
{
    const std::atomic<bool> stop{false};
    const AutoLoopRequest range = autoLoopRange(doc, run.sustain);
    run.selectionStart = range.from;
    run.selectionEnd = range.to;
    const AutoLoopResult found = findAutoLoop(doc, range, stop);
    if (found.outcome != LoopSearchOutcome::Completed) {
        run.error = found.message.text;
        return run;
    }
    storeAutoLoops(found, doc.loops);
    doc.loopForward = true;
    LoopSearchResult& r = run.result;
    r.outcome = LoopSearchOutcome::Completed;
    r.period = int32_t(found.period + 0.5);
    r.windowStart = run.selectionStart;
    r.windowEnd = run.selectionEnd;
    r.minLength = found.minLength;
    r.maxLength = found.maxLength;
    r.improvementCount = r.solutionCount = int(found.loops.size());
    if (!found.loops.empty())
        r.bestScore = found.loops.front().mismatch;
    for (const AutoLoopCandidate& c : found.loops)
        run.solutions.push_back({c.loopStart, c.loopEnd, c.mismatch});
    return run;
}

} // namespace

SearchRun searchLikeWindow(SampleBuffer& doc, const CliOptions& options, int threadCount)
{
    SearchRun run;
    if (options.selectAuto) {
        run.autoSelected = true;
        run.sustain = findSustain(doc);
        run.selectionStart = run.sustain.start;
        run.selectionEnd = run.sustain.end;
    } else {
        run.selectionStart = std::min(options.selectStart.resolve(doc.sampleCount), doc.sampleCount);
        run.selectionEnd = std::min(options.selectEnd.resolve(doc.sampleCount), doc.sampleCount);
    }

    LoopSearchRequest request;
    request.selectionStart = run.selectionStart;
    request.selectionEnd = run.selectionEnd;
    request.minPercent = options.minPercent;
    request.maxPercent = options.maxPercent;
    request.loopType = options.loopType;
    request.threadCount = threadCount;

    // A selection that collapses or turns round on this sound (1000:2000 on a
    // shorter file, 90%:1000 on a long one) is the window's empty selection;
    // the core words the refusal.
    if (request.selectionEnd < request.selectionStart)
        request.selectionEnd = request.selectionStart;
    if (const auto refusal = checkLoopSearchRequest(doc, request)) {
        run.error = refusal->text;
        return run;
    }

    if (run.autoSelected && options.loopType == LoopType::Forward)
        return autoLoopLikeWindow(doc, std::move(run));

    std::vector<LoopImprovement> improvements;
    LoopSearchCallbacks callbacks;
    callbacks.improvement = [&](const LoopImprovement& step) { improvements.push_back(step); };
    const std::atomic<bool> stop{false};
    SolutionTable table = doc.loops;
    run.result = runLoopSearch(doc, request, table, stop, callbacks);
    if (run.result.outcome == LoopSearchOutcome::Refused) {
        run.error = run.result.message.text;
        return run;
    }
    doc.loops = table;
    doc.loops.currentSolution = 0;
    doc.loopForward = options.loopType == LoopType::Forward;

    // Slot i holds the pair of the i-th newest improvement.
    for (int slot = 0; slot < SolutionTable::kSolutions && table.hasLoop(slot); ++slot) {
        SolutionEntry entry;
        entry.start = table.loopStart[slot];
        entry.end = table.loopEnd[slot];
        const size_t back = static_cast<size_t>(slot) + 1;
        if (back <= improvements.size())
            entry.score = improvements[improvements.size() - back].score;
        run.solutions.push_back(entry);
    }
    return run;
}

int32_t crossfadeLimitMs(const SampleBuffer& doc, int32_t loopStart, int32_t loopEnd, bool forward)
{
    if (doc.sampleRate <= 0)
        return 0;
    const auto ms = [&](int64_t n) { return n * 1000 / doc.sampleRate; };
    int64_t limit = std::min({ms(int64_t(loopStart) - 1), ms(int64_t(loopEnd) - loopStart), int64_t(10000)});
    if (!forward)
        limit = std::min(limit, ms(int64_t(doc.sampleCount) - loopEnd));
    return static_cast<int32_t>(std::max<int64_t>(0, limit));
}

void writeLoopCheck(JsonWriter& json, const LoopCheck& check)
{
    json.field("value_jump", check.valueJump)
        .field("slope_jump", check.slopeJump)
        .field("click", check.clickFigure)
        .field("crest", check.crest)
        .field("mismatch", check.mismatch)
        .field("own_mismatch", check.ownMismatch);
    if (check.periods > 0.0)
        json.field("periods", check.periods).field("drift_cents", check.driftCents);
    else
        json.nullField("periods").nullField("drift_cents");
    json.field("verdict", check.valid ? verdictText(check.verdict) : std::string("cannot be checked"));
}

void writeStoredLoop(JsonWriter& json, const SampleBuffer& doc, const LoadedSound& load)
{
    const bool hasLoop = doc.loops.hasLoop(0);
    json.field("loop_start", hasLoop ? doc.loops.loopStart[0] : -1)
        .field("loop_end", hasLoop ? doc.loops.loopEnd[0] : -1);
    if (hasLoop)
        json.field("loop_type", doc.loopForward ? "forward" : "alternate");
    else
        json.nullField("loop_type");
    if (load.pitchFound)
        json.field("pitch_hz", doc.pitchHz);
    else
        json.nullField("pitch_hz");
}

void writeFileMarks(JsonWriter& json, const SampleBuffer& doc)
{
    static const char* const kTypes[] = {"forward", "alternate", "backward"};
    // The loops as the document holds them and a save writes them: slot 0
    // stands for the window loop. A file read by the byte scan (its chunk
    // table broken) has no marks of its own, only the loop in slot 0.
    FileMarks marks = doc.marks;
    const bool hasWindowLoop =
        marks.windowLoop >= 0 && marks.windowLoop < static_cast<int32_t>(marks.loops.size());
    const uint32_t type = hasWindowLoop ? marks.loops[static_cast<size_t>(marks.windowLoop)].type
                                        : (doc.loopForward ? 0u : 1u);
    placeWindowLoop(marks, doc.loops.hasLoop(0), doc.loops.loopStart[0], doc.loops.loopEnd[0], type);
    json.key("loops").beginArray();
    for (size_t i = 0; i < marks.loops.size(); ++i) {
        const FileLoop& l = marks.loops[i];
        json.beginObject()
            .field("number", l.number)
            .field("first_frame", l.start)
            .field("last_frame", l.end)
            .field("type", l.type <= 2 ? kTypes[l.type] : "unknown")
            .field("play_count", int64_t(l.playCount))
            .field("cue_id", int64_t(l.cueId))
            .field("window", static_cast<int32_t>(i) == marks.windowLoop)
            .endObject();
    }
    json.endArray();
    json.key("cues").beginArray();
    for (const CuePoint& c : marks.cues) {
        json.beginObject().field("id", int64_t(c.id)).field("frame", c.position);
        if (c.hasLabel)
            json.field("label", c.label);
        else
            json.nullField("label");
        json.endObject();
    }
    json.endArray();
    json.key("chunks").beginArray();
    for (const RiffChunk& c : doc.chunks.chunks) {
        if (c.role != ChunkRole::Kept)
            continue;
        json.beginObject().field("id", c.idText()).field("size", int64_t(c.size()));
        const std::string type = c.listType();
        if (!type.empty())
            json.field("list_type", type);
        json.endObject();
    }
    json.endArray();
}
