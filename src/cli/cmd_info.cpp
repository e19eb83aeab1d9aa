// ringtide-cli info: format, slot-0 loop, pitch, every loop and cue point
// and the other chunks of each file.

#include "cli/batch.h"
#include "cli/cli_sound.h"
#include "cli/commands.h"
#include "cli/json.h"

#include <unistd.h>

bool stderrIsTerminal()
{
    return isatty(STDERR_FILENO) == 1;
}

namespace {

// One file's line; `ok` is set unless the file was refused.
std::string infoLine(const std::string& path, bool& ok)
{
    SampleBuffer doc;
    const LoadedSound load = loadLikeWindow(doc, path);
    JsonWriter json;
    json.beginObject().field("file", path);
    if (!load.loaded) {
        json.field("error", load.error).endObject();
        return json.text();
    }
    ok = true;
    json.field("rate", doc.sampleRate)
        .field("bits", int32_t(doc.bitsPerSample))
        .field("channels", int32_t(doc.channels))
        .field("frames", doc.sampleCount);
    writeStoredLoop(json, doc, load);
    json.field("midi_note", int32_t(doc.detectedNote));
    writeFileMarks(json, doc);
    writeLoadWarnings(json, load.damage, load.warnings);
    json.endObject();
    return json.text();
}

} // namespace

int runInfo(const CliOptions& options)
{
    return printFileLines(options.files, options.jobs, false, infoLine);
}
