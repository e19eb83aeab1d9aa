#pragma once
// The document side of loading a WAV file into the one SampleBuffer.

#include "platform/message.h"

#include <string>
#include <vector>

struct SampleBuffer;

struct LoadOutcome {
    bool loaded = false;                // a new sound is now in place
    std::vector<UserMessage> messages;  // to show, in this order (the 1024-frame warning may come with a success)
};

// Reads the file at `path` (the full path: on Linux the case of ".wav" is the
// file's own) into doc. doc.fileTitle must already name the file: messages
// quote it. On success the format, samples (and working arrays), slot-0 loop,
// loopForward and fftSizeExp are replaced; the caller then clears the undo
// snapshot, rebuilds the playback buffers and refreshes the window. On failure
// every field of doc is as it was.
LoadOutcome loadSoundFile(SampleBuffer& doc, const std::string& path);
