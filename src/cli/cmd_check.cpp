// ringtide-cli check: what a listener hears at each file's stored loop.

#include "cli/batch.h"
#include "cli/cli_sound.h"
#include "cli/commands.h"
#include "cli/json.h"

#include <atomic>

namespace {

// One file's line; `clean` is set when the file has a loop and it is clean.
std::string checkLine(const std::string& path, bool& clean)
{
    clean = false;
    SampleBuffer doc;
    const LoadedSound load = loadLikeWindow(doc, path);
    JsonWriter json;
    json.beginObject().field("file", path);
    if (!load.loaded) {
        json.field("error", load.error).endObject();
        return json.text();
    }
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
    if (hasLoop) {
        const LoopCheck check = checkLoop(doc, doc.loops.loopStart[0], doc.loops.loopEnd[0], doc.loopForward);
        writeLoopCheck(json, check);
        clean = check.valid && check.verdict == LoopVerdict::Clean;
    } else {
        json.field("verdict", "no loop");
    }
    if (!load.damage.empty())
        json.field("warning", load.damage);
    if (!load.warnings.empty())
        json.stringArray("warnings", load.warnings);
    json.endObject();
    return json.text();
}

} // namespace

int runCheck(const CliOptions& options)
{
    const size_t count = options.files.size();
    OrderedPrinter printer(count, stdout, stderrIsTerminal());
    std::atomic<bool> allClean{true};
    runBatch(count, batchWorkers(count, options.jobs), [&](size_t i) {
        bool clean = false;
        std::string line = checkLine(options.files[i], clean);
        if (!clean)
            allClean = false;
        printer.finish(i, std::move(line), options.files[i]);
    });
    printer.close();
    return allClean ? 0 : 1;
}
