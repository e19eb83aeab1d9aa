#pragma once
// The document side of loading a WAV file into the one SampleBuffer.

#include "document/wav_reader.h"
#include "platform/message.h"

#include <string>
#include <vector>

struct SampleBuffer;

struct LoadOutcome {
    bool loaded = false;                // a new sound is now in place
    WaveReadStatus status = WaveReadStatus::CannotOpen; // why it was refused (Ok when loaded)
    std::vector<UserMessage> messages;  // to show, in this order (the 1024-frame warning may come with a success)
    // The data chunk was cut short: its warning is among the messages (naming
    // the full path and both counts); the frames present were loaded.
    bool dataTruncated = false;
    int64_t framesDeclared = 0;
    int64_t framesPresent = 0;
};

// Reads the file at `path` (the full path: on Linux the case of ".wav" is the
// file's own) into doc. doc.fileTitle must already name the file: messages
// quote it. On success the format, samples (and working arrays), slot-0 loop,
// loopForward and fftSizeExp are replaced; the caller then clears the undo
// snapshot, rebuilds the playback buffers and refreshes the window. On failure
// every field of doc is as it was.
LoadOutcome loadSoundFile(SampleBuffer& doc, const std::string& path);
