// ringtide-cli convert: a batch of files to another sample rate or sample
// format, with what each file carries moved along.

#include "cli/batch.h"
#include "cli/cli_sound.h"
#include "cli/commands.h"
#include "cli/json.h"
#include "cli/output_plan.h"
#include "document/sample_format.h"
#include "document/save_document.h"
#include "processing/resample.h"

#include <algorithm>
#include <cstdio>

namespace {

// The document's format as --bits words it: "16", "24", "32", "float", and
// for sources "8" and "float64".
std::string formatWord(const SampleBuffer& doc)
{
    if (doc.ownSamplesCurrent() && doc.fullRes.encoding.isFloat)
        return doc.fullRes.encoding.bits == 64 ? "float64" : "float";
    return std::to_string(doc.bitsPerSample);
}

// Converts one file; returns its JSON line and sets job.error on failure.
std::string convertOne(FileJob& job, const CliOptions& options)
{
    JobLine line(job);
    JsonWriter& json = line.json;
    auto failWith = [&](const std::string& why) { return line.fail(why); };
    if (!job.error.empty())
        return failWith(job.error);

    SampleBuffer doc;
    const LoadedSound load = loadFile(doc, job.input);
    if (!load.loaded)
        return failWith(load.error);
    const int32_t rateIn = doc.sampleRate;
    const int32_t framesIn = doc.sampleCount;
    const std::string formatIn = formatWord(doc);
    std::vector<std::string> warnings = load.warnings;

    if (options.rate > 0 && options.rate != doc.sampleRate) {
        if (const auto refusal = messageFor(checkResample(doc, doc.sampleRate, options.rate)))
            return failWith(refusal->text);
        const DroppedMarks dropped = resampleSoundFullResolution(doc, rateIn, options.rate);
        // The loop the window would show moves by the file's rule too (the
        // nearest frame to each end's exact place), so that it is written
        // back where the other loops and the cue points say it belongs.
        if (doc.marks.windowLoop >= 0) {
            const FileLoop& loop = doc.marks.loops[static_cast<size_t>(doc.marks.windowLoop)];
            doc.loops.loopStart[0] = loop.start - 1;
            doc.loops.loopEnd[0] = loop.end;
        }
        if (!dropped.empty())
            warnings.push_back(resampledMarksMessage(dropped).text);
    }
    if (options.bits > 0)
        convertSampleFormat(doc, SampleFormat{options.bits, options.floatSamples});

    // The save writes the sound as it now is: no crossfade, no retuning, no
    // cut, an alternate loop kept alternate.
    doc.tuneSampleRate = 0;
    doc.cutAfterLoop = 0;
    doc.simulateAlternate = 0;
    doc.loops.currentSolution = 0;
    // The root note is the file's own, not one detected afresh.
    if (doc.marks.sampler.present)
        doc.midiNote = static_cast<int16_t>(std::min<uint32_t>(doc.marks.sampler.unityNote, 127));
    setFileIdentity(doc, job.output);
    const SaveOutcome saved = saveDocument(doc, SaveSettings{});
    if (!saved.saved)
        return failWith("The file " + fullPath(job.output) + " could not be saved" +
                        (saved.messages.empty() ? std::string(".") : ": " + saved.messages.front().text));
    for (const UserMessage& m : saved.messages)
        warnings.push_back(m.text);

    json.field("out", job.output)
        .field("rate_in", rateIn)
        .field("rate", doc.sampleRate)
        .field("format_in", formatIn)
        .field("format", formatWord(doc))
        .field("frames_in", framesIn)
        .field("frames", doc.sampleCount);
    writeFileMarks(json, doc);
    writeLoadWarnings(json, load.damage, warnings);
    json.endObject();
    return json.text();
}

} // namespace

int runConvert(const CliOptions& options)
{
    return runFileJobs(options, "converted", [&](FileJob& job, int) { return convertOne(job, options); });
}
