#pragma once
// The chunks of a RIFF/WAVE file in their order, as the document keeps them
// between load and save.
//
// The chunks the program understands are held as fields elsewhere (the
// format and frames in SampleBuffer, loops, cue points and their labels in
// FileMarks) and are rewritten from those fields; their place in the list
// only says where they go. Every other chunk is kept as its bytes and
// written back unchanged in its place. A save recomputes every size and pad
// byte; a modelled chunk the file lacked is appended at the end (the sampler
// chunk, cue chunk and label list, in that order), and one that has nothing
// left to say (no loops and no sampler chunk read, no cue points) is left out.
//
// Walking: chunk by chunk from offset 12, each chunk an id, a 32-bit size and
// that many bytes plus a zero pad byte when the size is odd, up to
// min(RIFF size + 8, bytes present). A well-formed file is walked whole and
// kept whole. The walk stops at a chunk whose size runs past that end (its
// bytes are not kept, but a data chunk cut short still gives the frames
// present and a smpl or cue chunk the records present). A second fmt, data, smpl, cue or LIST/adtl
// chunk is not kept (two could never be written back consistently). A file in
// which the walk finds no format chunk followed by a data chunk is read by
// the tag scan of wav_reader.h instead, and nothing but its sound and first
// loop is kept.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum class ChunkRole : uint8_t {
    Format,    // "fmt "
    Data,      // "data"
    Fact,      // "fact": rewritten with the frame count
    Sampler,   // "smpl": FileMarks loops and sampler fields
    Cue,       // "cue ": FileMarks cue points
    CueLabels, // "LIST" of type "adtl": labels and notes of the cue points
    Kept,      // anything else: its bytes
};

struct RiffChunk {
    ChunkRole role = ChunkRole::Kept;
    char id[4] = {0, 0, 0, 0};
    // Kept chunks: the bytes after the 8-byte header, pad byte excluded.
    // Shared with undo snapshots and never changed in place.
    std::shared_ptr<const std::vector<uint8_t>> body;

    std::string idText() const { return std::string(id, 4); }
    // The size field a save writes for a kept chunk.
    uint32_t size() const { return body ? static_cast<uint32_t>(body->size()) : 0; }
    // A LIST chunk's list type ("INFO", "adtl"); empty for other chunks.
    std::string listType() const;
};

struct RiffChunkList {
    // File order. Empty for a sound that does not come from a well-formed
    // file: a save then writes fmt, data, smpl, cue, LIST/adtl.
    std::vector<RiffChunk> chunks;

    bool empty() const { return chunks.empty(); }
    // Bytes of the kept chunks (bodies only).
    uint64_t keptBytes() const;
    void clear() { chunks.clear(); }
};

// One chunk as the walk found it in the file.
struct WalkedChunk {
    char id[4] = {0, 0, 0, 0};
    size_t offset = 0;      // of the id
    uint32_t size = 0;      // the size field
    size_t bytesPresent = 0; // min(size, bytes up to the walk's end)
    bool cutShort() const { return bytesPresent < size; }
};

struct RiffWalk {
    bool wellFormed = false;  // a format chunk and after it a data chunk were walked
    bool damaged = false;     // the walk stopped early: a chunk running past the end, a duplicate
    std::string damage;       // what stopped it, e.g. "its LIST chunk runs past the end of the file"
    std::vector<std::string> problems; // the damage and every chunk left out, in clear text
    // In file order, the chunk that runs past the end last (cutShort): a data
    // chunk gives its frames present, a smpl or cue chunk the records present;
    // any other is not kept.
    std::vector<WalkedChunk> chunks;
};

// Walks bytes[0 .. size) (the whole file, RIFF header included). Never reads
// past `size`, whatever the size fields claim.
RiffWalk walkRiffChunks(const uint8_t* bytes, size_t size);
