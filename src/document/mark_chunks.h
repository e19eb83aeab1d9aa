#pragma once
// The bodies of the chunks that hold a file's marks (after the 8-byte chunk
// header, pad byte excluded), read into FileMarks and written from it.
// Little-endian throughout.
//
//   smpl  0 manufacturer, 4 product, 8 sample period (ns), 12 unity note,
//         16 pitch fraction, 20 SMPTE format, 24 SMPTE offset, 28 loop count,
//         32 sampler data bytes, 36 the loop records (24 bytes each: cue id,
//         type, start, end, fraction, play count), then the sampler data.
//   cue   0 count, 4 the points (24 bytes each: id, play order position,
//         chunk id "data", chunk start 0, block start 0, sample offset).
//   LIST  0 "adtl", then entries: id, size, body (+ pad byte when odd); labl
//         and note bodies are a cue id and zero-terminated text, ltxt a cue
//         id, a length in frames and 12 more bytes, then text.
//
// Reading keeps what fits and reports the rest as problems (clear text,
// starting with "its"): a count that does not fit keeps the records present.
// settleMarks then drops what does not lie in the sound and chooses the
// window loop: the first forward or alternate loop with end > 0.

#include "document/sampler_marks.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

void readSamplerChunk(const uint8_t* body, size_t size, FileMarks& marks, std::vector<std::string>& problems);
void readCueChunk(const uint8_t* body, size_t size, FileMarks& marks, std::vector<std::string>& problems);
// body starts with the list type "adtl".
void readCueLabels(const uint8_t* body, size_t size, FileMarks& marks, std::vector<std::string>& problems);

// Drops loops that do not lie in 0 .. frames - 1 (or have a type other than
// forward, alternate, backward), cue points outside the sound, and labels and
// notes of cue points that are not there, each kind reported once; then
// picks marks.windowLoop.
void settleMarks(FileMarks& marks, int32_t frames, std::vector<std::string>& problems);

std::vector<uint8_t> samplerChunkBody(const FileMarks& marks, uint32_t samplePeriodNs, uint32_t unityNote);
std::vector<uint8_t> cueChunkBody(const FileMarks& marks);
// "adtl" and the entries; just "adtl" when no cue point has a label or note.
std::vector<uint8_t> cueLabelsBody(const FileMarks& marks);
bool hasCueLabels(const FileMarks& marks);
