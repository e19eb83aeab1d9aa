// ringtide-cli loop: search, crossfade and save a batch of files, each as the
// window's Save would write it.

#include "cli/batch.h"
#include "cli/cli_sound.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/output_plan.h"
#include "document/save_document.h"
#include "document/wav_writer.h"

#include <cstdio>

namespace {

// Loops one file; returns its JSON line and sets job.error on failure.
std::string loopOne(FileJob& job, const CliOptions& options, int searchThreads)
{
    JobLine line(job);
    JsonWriter& json = line.json;
    auto failWith = [&](const std::string& why) { return line.fail(why); };

    if (!job.error.empty())
        return failWith(job.error);

    SampleBuffer doc;
    const LoadedSound load = loadLikeWindow(doc, job.input);
    if (!load.loaded)
        return failWith(load.error);
    std::vector<std::string> warnings = load.warnings;

    const SearchRun run = searchLikeWindow(doc, options, searchThreads);
    if (run.autoSelected && !run.sustain.warning.empty())
        warnings.push_back(run.sustain.warning);
    if (!run.ok())
        return failWith(run.error);
    if (run.solutions.empty())
        return failWith("The search found no loop within the limits.");
    if (options.solution > static_cast<int>(run.solutions.size()))
        return failWith("Solution " + std::to_string(options.solution) + " was asked for but the search found " +
                        std::to_string(run.solutions.size()) + ".");

    const int slot = options.solution - 1;
    doc.loops.currentSolution = static_cast<int16_t>(slot);
    const SolutionEntry& chosen = run.solutions[static_cast<size_t>(slot)];

    // The slider cannot pass the loop's room; the CLI shortens likewise.
    const int32_t limitMs = crossfadeLimitMs(doc, chosen.start, chosen.end, doc.loopForward);
    int32_t crossfadeMs = options.crossfadeMs;
    if (crossfadeMs > limitMs) {
        warnings.push_back("Crossfade shortened from " + std::to_string(crossfadeMs) + " ms to " +
                           std::to_string(limitMs) + " ms, the room this loop leaves.");
        crossfadeMs = limitMs;
    }

    if (options.note >= 0)
        doc.midiNote = static_cast<int16_t>(options.note);
    doc.tuneSampleRate = options.tune ? 1 : 0;
    doc.cutAfterLoop = options.cut ? 1 : 0;
    doc.simulateAlternate = options.unroll ? 1 : 0;

    SaveSettings settings;
    settings.crossfade.kind = options.crossfadeKind;
    settings.crossfade.passes = options.passes;
    settings.crossfade.lengthSamples = crossfadeLengthSamples(crossfadeMs, doc.sampleRate);

    const bool unrolled = chooseWaveWriter(doc) == WaveWriterKind::Unrolled;
    const int32_t analysedRate = doc.sampleRate; // the rate the pitch was measured at
    setFileIdentity(doc, job.output);
    const SaveOutcome saved = saveDocument(doc, settings);
    if (!saved.saved)
        return failWith("The file " + fullPath(job.output) + " could not be saved" +
                        (saved.messages.empty() ? std::string(".") : ": " + saved.messages.front().text));
    // Loops and cue points the cut or the unrolling left out.
    for (const UserMessage& m : saved.messages)
        warnings.push_back(m.text);

    // The check of the loop in the saved sound (crossfade committed), at the
    // rate its pitch in Hz belongs to: retuning changes the rate, not the
    // period in frames.
    const int32_t writtenRate = doc.sampleRate;
    doc.sampleRate = analysedRate;
    const LoopCheck check = checkLoop(doc, chosen.start, chosen.end, doc.loopForward);
    doc.sampleRate = writtenRate;

    // The loop as the file holds it: an unrolled alternate loop runs forward
    // from s + 1 to 2e - s.
    const int32_t fileLoopEnd = unrolled ? 2 * chosen.end - chosen.start : chosen.end;
    const bool fileForward = doc.loopForward || doc.simulateAlternate;
    json.field("out", job.output)
        .field("solution", int32_t(options.solution))
        .field("loop_start", chosen.start)
        .field("loop_end", fileLoopEnd)
        .field("loop_type", fileForward ? "forward" : "alternate")
        .field("score", chosen.score)
        .field("rate", doc.sampleRate)
        .field("pitch_hz", doc.pitchHz)
        .field("midi_note", int32_t(doc.midiNote))
        .field("crossfade_ms", crossfadeMs)
        .field("select", run.autoSelected ? "auto" : "given")
        .field("select_start", run.selectionStart)
        .field("select_end", run.selectionEnd);
    if (run.autoSelected)
        json.field("select_reason", run.sustain.reason);
    json.key("check").beginObject();
    writeLoopCheck(json, check);
    json.endObject();
    writeLoadWarnings(json, load.damage, warnings);
    json.endObject();
    return json.text();
}

} // namespace

int runLoop(const CliOptions& options)
{
    // One file alone gets every core for its search; a batch runs one file
    // per core instead, which keeps every core busy without oversubscribing.
    return runFileJobs(options, "looped",
                       [&](FileJob& job, int threadsPerFile) { return loopOne(job, options, threadsPerFile); });
}
