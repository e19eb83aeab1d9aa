#include "document/riff_chunks.h"

std::string RiffChunk::listType() const
{
    if (std::string(id, 4) != "LIST" || !body || body->size() < 4)
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

RiffWalk walkRiffChunks(const uint8_t*, size_t)
{
    return {};
}
