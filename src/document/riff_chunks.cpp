#include "document/riff_chunks.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t u32At(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

bool printableTag(const uint8_t* p)
{
    return std::all_of(p, p + 4, [](uint8_t c) { return c >= 0x20 && c <= 0x7E; });
}

bool isTag(const char* id, const char* tag) { return std::memcmp(id, tag, 4) == 0; }

std::string tagText(const uint8_t* p) { return std::string(reinterpret_cast<const char*>(p), 4); }

} // namespace

std::string RiffChunk::listType() const
{
    if (!isTag(id, "LIST") || !body || body->size() < 4)
        return {};
    return std::string(reinterpret_cast<const char*>(body->data()), 4);
}

uint64_t RiffChunkList::keptBytes() const
{
    uint64_t n = 0;
    for (const RiffChunk& c : chunks)
        if (c.role == ChunkRole::Kept)
            n += c.size();
    return n;
}

RiffWalk walkRiffChunks(const uint8_t* bytes, size_t size)
{
    RiffWalk w;
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return w;
    // The form ends where the RIFF size says, or with the bytes present.
    const size_t end = static_cast<size_t>(std::min<uint64_t>(uint64_t(u32At(bytes + 4)) + 8, size));
    bool fmtSeen = false, dataSeen = false;
    size_t p = 12;
    while (end >= 8 && p <= end - 8) {
        const uint8_t* h = bytes + p;
        if (!printableTag(h)) {
            w.damaged = true;
            w.damage = "bytes after its " + (w.chunks.empty() ? std::string("header") : tagText(reinterpret_cast<const uint8_t*>(w.chunks.back().id)) + " chunk") + " are not a chunk";
            w.problems.push_back(w.damage);
            break;
        }
        WalkedChunk c;
        std::memcpy(c.id, h, 4);
        c.offset = p;
        c.size = u32At(h + 4);
        const size_t room = end - p - 8;
        const bool isData = isTag(c.id, "data");
        if (c.size > room) {
            if (isData && !dataSeen && fmtSeen) {
                // Cut short: the frames present still count (bounded by the
                // bytes present, whatever the RIFF size says).
                c.bytesPresent = std::min<uint64_t>(c.size, size - p - 8);
                w.chunks.push_back(c);
                dataSeen = true;
                p = end;
                break;
            }
            w.damaged = true;
            w.damage = "its " + tagText(h) + " chunk runs past the end of the file";
            w.problems.push_back(w.damage);
            // What is present of it: the marks it holds may still be read.
            c.bytesPresent = room;
            w.chunks.push_back(c);
            break;
        }
        c.bytesPresent = c.size;
        if (isTag(c.id, "fmt ")) {
            if (!fmtSeen && !dataSeen)
                w.chunks.push_back(c);
            else
                w.problems.push_back("its second fmt chunk was left out");
            fmtSeen = true;
        } else if (isData) {
            if (fmtSeen && !dataSeen)
                w.chunks.push_back(c);
            else if (dataSeen)
                w.problems.push_back("its second data chunk was left out");
            dataSeen = dataSeen || fmtSeen;
        } else {
            w.chunks.push_back(c);
        }
        size_t next = p + 8 + c.size;
        if ((c.size & 1) && next < end) {
            // The pad byte, unless the writer left it out: a nonzero byte
            // there that starts a chunk header which fits is the next chunk.
            const bool headerFits = next + 8 <= end && printableTag(bytes + next) &&
                                    u32At(bytes + next + 4) <= end - next - 8;
            next += bytes[next] != 0 && headerFits ? 0 : 1;
        }
        p = next;
    }
    if (!w.damaged && p < end && end - p >= 4) {
        w.damaged = true;
        w.damage = "it ends inside a chunk header";
        w.problems.push_back(w.damage);
    }
    w.wellFormed = fmtSeen && dataSeen;
    return w;
}
