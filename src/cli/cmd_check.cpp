// ringtide-cli check: what a listener hears at each file's stored loop.

#include "cli/batch.h"
#include "cli/cli_sound.h"
#include "cli/commands.h"
#include "cli/json.h"

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
    writeStoredLoop(json, doc, load);
    if (hasLoop) {
        const LoopCheck check = checkLoop(doc, doc.loops.loopStart[0], doc.loops.loopEnd[0], doc.loopForward);
        writeLoopCheck(json, check);
        clean = check.valid && check.verdict == LoopVerdict::Clean;
    } else {
        json.field("verdict", "no loop");
    }
    writeLoadWarnings(json, load.damage, load.warnings);
    json.endObject();
    return json.text();
}

} // namespace

int runCheck(const CliOptions& options)
{
    return printFileLines(options.files, options.jobs, stderrIsTerminal(), checkLine);
}
