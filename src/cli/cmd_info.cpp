// ringtide-cli info: format, slot-0 loop and pitch of each file.

#include "cli/batch.h"
#include "cli/cli_sound.h"
#include "cli/commands.h"
#include "cli/json.h"

#include <atomic>
#include <unistd.h>

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

namespace {

std::string infoLine(const std::string& path, bool& failed)
{
    SampleBuffer doc;
    const LoadedSound load = loadLikeWindow(doc, path);
    JsonWriter json;
    json.beginObject().field("file", path);
    if (!load.loaded) {
        failed = true;
        json.field("error", load.error).endObject();
        return json.text();
    }
    const bool hasLoop = doc.loops.hasLoop(0);
    json.field("rate", doc.sampleRate)
        .field("bits", int32_t(doc.bitsPerSample))
        .field("channels", int32_t(doc.channels))
        .field("frames", doc.sampleCount)
        .field("loop_start", hasLoop ? doc.loops.loopStart[0] : -1)
        .field("loop_end", hasLoop ? doc.loops.loopEnd[0] : -1);
    if (hasLoop)
        json.field("loop_type", doc.loopForward ? "forward" : "alternate");
    else
        json.nullField("loop_type");
    if (load.pitchFound)
        json.field("pitch_hz", doc.pitchHz);
    else
        json.nullField("pitch_hz");
    json.field("midi_note", int32_t(doc.detectedNote));
    if (!load.damage.empty())
        json.field("warning", load.damage);
    if (!load.warnings.empty())
        json.stringArray("warnings", load.warnings);
    json.endObject();
    return json.text();
}

} // namespace

int runInfo(const CliOptions& options)
{
    const size_t count = options.files.size();
    OrderedPrinter printer(count, stdout, false);
    std::atomic<bool> anyFailed{false};
    runBatch(count, batchWorkers(count, options.jobs), [&](size_t i) {
        bool failed = false;
        std::string line = infoLine(options.files[i], failed);
        if (failed)
            anyFailed = true;
        printer.finish(i, std::move(line), options.files[i]);
    });
    printer.close();
    return anyFailed ? 1 : 0;
}
