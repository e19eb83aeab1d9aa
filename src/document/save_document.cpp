#include "document/save_document.h"

#include "document/SampleBuffer.h"
#include "document/format.h"
#include "document/tuned_rate.h"
#include "document/wav_writer.h"
#include "document/wide_writer.h"
#include "loop/crossfade.h"

#include <algorithm>

namespace {

UserMessage warning(std::string text)
{
    UserMessage m;
    m.text = std::move(text);
    return m;
}

UserMessage openFailed(const std::string& name)
{
    return warning(name + " could not be opened!");
}

UserMessage writeFailed(const std::string& name)
{
    return warning("A problem happens in writing the file " + name + "!");
}

bool writeText(const std::string& path, const std::string& text)
{
    SafeFileWriter file(path);
    return file.open() && file.write(text.data(), text.size()) && file.commit();
}

} // namespace

FileMarks marksToWrite(const SampleBuffer& doc, DroppedMarks& dropped, std::string& cause)
{
    FileMarks marks = doc.marks;
    dropped = DroppedMarks{};
    cause.clear();
    int32_t s = 0, e = 0;
    const bool hasLoop = doc.isLoaded() && selectedLoop(doc, s, e);
    const bool unrolled = hasLoop && chooseWaveWriter(doc) == WaveWriterKind::Unrolled;
    const uint32_t type = unrolled || doc.loopForward || doc.simulateAlternate ? 0 : 1;
    placeWindowLoop(marks, hasLoop, s, e, type);
    if (unrolled) {
        dropped = unrollMarks(marks, s, e);
        placeWindowLoop(marks, true, s, 2 * e - s, 0);
        cause = "the saved sound ends at frame " + std::to_string(2 * e - s) + " (alternate loop unrolled)";
    } else if (hasLoop && doc.cutAfterLoop && e < doc.sampleCount - 1) {
        dropped = cutMarks(marks, e + 1);
        cause = "the saved sound ends at frame " + std::to_string(e) + " (cut after the loop)";
    }
    return marks;
}

SaveReshape saveReshape(const SampleBuffer& doc, const SaveSettings& settings)
{
    SaveReshape r;
    r.framesBefore = r.framesAfter = doc.sampleCount;
    r.rateBefore = r.rateAfter = doc.sampleRate;
    int32_t s = 0, e = 0;
    if (!doc.isLoaded() || !selectedLoop(doc, s, e))
        return r;
    const bool unrolled = chooseWaveWriter(doc) == WaveWriterKind::Unrolled;
    if (e < doc.sampleCount - 1 && (unrolled || doc.cutAfterLoop)) {
        r.cut = true;
        r.framesAfter = unrolled ? 2 * e - s + 1 : e + 1;
    }
    if (doc.tuneSampleRate) {
        r.rateAfter = tunedSampleRate(doc, settings.tuneCyclic31);
        r.retune = r.rateAfter != doc.sampleRate;
    }
    std::string cause;
    marksToWrite(doc, r.dropped, cause);
    return r;
}

UserMessage reshapedSaveQuestion(const SampleBuffer& doc, const SaveReshape& r)
{
    std::string what;
    if (r.cut)
        what = std::string(r.framesAfter < r.framesBefore ? "cut after the loop" : "with the loop unrolled") + " (" +
               formatInteger(durationMs(r.framesBefore, r.rateBefore)) + " ms become " +
               formatInteger(durationMs(r.framesAfter, r.rateAfter)) + " ms)";
    if (r.retune)
        what += std::string(what.empty() ? "" : " and ") + "retuned from " + formatInteger(r.rateBefore, true) +
                " Hz to " + formatInteger(r.rateAfter, true) + " Hz";
    UserMessage m;
    m.text = "Save replaces " + doc.fileTitle + ".wav with a version " + what + " (the save options say so).";
    if (!r.dropped.empty())
        m.text += " " + droppedMarksList(r.dropped) + (r.dropped.loops.size() + r.dropped.cues.size() == 1
                                                            ? " lies past its end and would not be kept."
                                                            : " lie past its end and would not be kept.");
    m.text += "\n\nReplace the file?";
    m.buttons = MessageButtons::YesNo;
    m.icon = MessageIcon::Question;
    return m;
}

std::string loopTextPath(const SampleBuffer& doc)
{
    std::string folder = doc.fileFolder;
    if (folder.empty()) {
        const size_t slash = doc.filePath.rfind('/');
        if (slash != std::string::npos)
            folder = doc.filePath.substr(0, slash + 1);
    }
    return folder + doc.fileTitle + ".txt";
}

SaveOutcome saveDocument(SampleBuffer& doc, const SaveSettings& settings)
{
    SaveOutcome out;
    const std::string wavName = doc.fileTitle + ".wav";
    if (doc.filePath.empty() || !doc.isLoaded()) {
        out.messages.push_back(openFailed(wavName));
        return out;
    }

    // Own samples that no longer stand for the image are a stale copy of
    // another sound: the image is what gets written.
    doc.dropStaleFullResolution();

    int32_t s = 0, e = 0;
    out.hadLoop = selectedLoop(doc, s, e);
    const WaveWriterKind kind = chooseWaveWriter(doc);
    // The file holds another sound than the document when it is cut after
    // the loop, or when an alternate loop is written unrolled (the loop
    // doubled, nothing after it): the window then reloads what was written.
    const bool reload = kind == WaveWriterKind::Unrolled ||
                        (out.hadLoop && doc.cutAfterLoop && e < doc.sampleCount - 1);

    // The working loop buffers are scratch space that playback rebuilds
    // before each use; building into them does not change the document.
    if (kind == WaveWriterKind::Normal)
        buildForwardLoop(doc, settings.crossfade);
    else
        buildAlternateLoop(doc, settings.crossfade);

    // The tuned rate is measured on the samples before the crossfade is
    // committed, and only applied once the file is in place.
    const int32_t rate = (doc.tuneSampleRate && out.hadLoop) ? tunedSampleRate(doc, settings.tuneCyclic31)
                                                            : doc.sampleRate;

    // Every loop and cue point of the file, the window's loop in its place,
    // carried through the cut or the unrolling.
    DroppedMarks dropped;
    std::string cause;
    FileMarks marks = marksToWrite(doc, dropped, cause);

    // One writer; a sound that keeps its file's own samples is saved from
    // them, with the same loop work done at full resolution.
    const bool wide = doc.fullRes.present();
    const WideLoop wideLoop = wide ? buildWideLoop(doc, kind, settings.crossfade) : WideLoop{};
    const WaveLayout layout = wide                             ? WaveLayout{}
                              : kind == WaveWriterKind::Normal ? normalWaveLayout(doc, rate)
                                                               : unrolledWaveLayout(doc, rate);
    WaveFileContent content;
    content.channels = doc.channels;
    content.sampleRate = rate;
    content.chunks = &doc.chunks;
    content.marks = std::move(marks);
    content.unityNote = doc.midiNote;
    if (wide) {
        content.encoding = doc.fullRes.encoding;
        content.frames = wideFrames(doc, kind, wideLoop, content.dataBytes);
    } else {
        content.encoding.bits = layout.bitsPerSample;
        content.channels = layout.channels;
        content.dataBytes = layoutDataBytes(layout);
        content.frames = layoutFrames(layout);
    }
    const WriteStatus status = writeWaveFile(doc.filePath, content);
    if (status == WriteStatus::OpenFailed) {
        out.messages.push_back(openFailed(wavName));
        return out;
    }
    if (status == WriteStatus::WriteFailed) {
        out.messages.push_back(writeFailed(wavName));
        return out;
    }

    out.saved = true;
    out.reloadNeeded = reload;
    out.rateRetuned = rate != doc.sampleRate;
    doc.sampleRate = rate;
    if (kind == WaveWriterKind::Normal && out.hadLoop) {
        const size_t L = static_cast<size_t>(e - s);
        for (int c = 0; c < doc.channels && c < 2; ++c) {
            if (doc.loopBody[c].size() >= L)
                std::copy(doc.loopBody[c].begin(), doc.loopBody[c].begin() + static_cast<std::ptrdiff_t>(L),
                          doc.samples[c].begin() + (s + 1));
        }
        if (wide) {
            commitWideLoop(doc, wideLoop);
            doc.tieOwnSamples(); // both now hold the committed blend
        }
        out.crossfadeCommitted = true;
    }
    doc.isSaved = true;
    // What the file now says; a reload reads it back anyway.
    if (!reload)
        doc.marks = std::move(content.marks);
    if (!dropped.empty())
        out.messages.push_back(droppedMarksMessage(dropped, cause));

    if (kind == WaveWriterKind::Normal && out.hadLoop && settings.exportTxt) {
        const std::string path = loopTextPath(doc);
        out.textExported = writeText(path, loopTextLine(s, e, doc.sampleRate));
        if (!out.textExported)
            out.messages.push_back(writeFailed(doc.fileTitle + ".txt"));
    }
    return out;
}
