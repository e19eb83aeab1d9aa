// ringtide-cli search: the solutions list of one search, as the window fills it.

#include "cli/cli_sound.h"
#include "cli/commands.h"
#include "cli/json.h"

#include <cstdio>

int runSearch(const CliOptions& options)
{
    const std::string& path = options.files.front();
    SampleBuffer doc;
    const LoadedSound load = loadLikeWindow(doc, path);
    JsonWriter json;
    json.beginObject().field("file", path);
    if (!load.loaded) {
        json.field("error", load.error).endObject();
        std::printf("%s\n", json.text().c_str());
        return 1;
    }

    const SearchRun run = searchLikeWindow(doc, options, 0);
    json.field("rate", doc.sampleRate)
        .field("channels", int32_t(doc.channels))
        .field("frames", doc.sampleCount)
        .field("pitch_hz", doc.pitchHz)
        .field("midi_note", int32_t(doc.detectedNote))
        .field("select", run.autoSelected ? "auto" : "given")
        .field("select_start", run.selectionStart)
        .field("select_end", run.selectionEnd)
        .field("min_percent", int32_t(options.minPercent))
        .field("max_percent", int32_t(options.maxPercent))
        .field("type", options.loopType == LoopType::Forward ? "forward" : "alternate");
    if (run.autoSelected)
        json.field("select_reason", run.sustain.reason);
    std::vector<std::string> warnings = load.warnings;
    if (run.autoSelected && !run.sustain.warning.empty())
        warnings.push_back(run.sustain.warning);
    writeLoadWarnings(json, load.damage, warnings);
    if (!run.ok()) {
        json.field("error", run.error).endObject();
        std::printf("%s\n", json.text().c_str());
        return 1;
    }
    const LoopSearchResult& r = run.result;
    json.field("period", r.period)
        .field("window_start", r.windowStart)
        .field("window_end", r.windowEnd)
        .field("min_length", r.minLength)
        .field("max_length", r.maxLength)
        .field("improvements", int32_t(r.improvementCount));
    json.key("solutions").beginArray();
    for (const SolutionEntry& s : run.solutions) {
        json.beginObject()
            .field("start", s.start)
            .field("end", s.end)
            .field("length", s.end - s.start)
            .field("score", s.score)
            .key("check")
            .beginObject();
        writeLoopCheck(json, checkLoop(doc, s.start, s.end, doc.loopForward));
        json.endObject().endObject();
    }
    json.endArray().endObject();
    std::printf("%s\n", json.text().c_str());
    return 0;
}
