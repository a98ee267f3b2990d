#include "KelpoBase/render/MultiSprite.h"

#include <algorithm>

#include "KelpoBase/core/DataStream.h"
#include "KelpoBase/core/ResourceFile.h"
#include "KelpoBase/core/TextUtil.h"
#include "KelpoBase/render/TextureAtlas.h"

namespace
{
int32_t ReadIntLine(cDataStream& stream)
{
    std::string line;
    ReadLine(stream, line);
    return StringToInt(line);
}
} // namespace

cMultiSprite* cMultiSprite::Read(cDataStream& stream, const std::string& path, TileLoader loadTile)
{
    auto* sprite = new cMultiSprite();
    sprite->width = ReadIntLine(stream);
    sprite->height = ReadIntLine(stream);
    sprite->columns = ReadIntLine(stream);
    sprite->rows = ReadIntLine(stream);
    // The grid is checked before anything is sized by it: no negative sides, no more
    // tiles than a picture is ever cut into, and a line for every tile (the last line may
    // lack its line feed, so each tile needs at least one byte but the last).
    const int64_t tiles = int64_t(sprite->columns) * int64_t(sprite->rows);
    if (sprite->columns < 0 || sprite->rows < 0 || tiles > kMaxTiles ||
        (tiles > 0 && tiles - 1 > int64_t(stream.Remaining())))
    {
        delete sprite;
        return nullptr;
    }
    sprite->frames.assign(size_t(tiles), nullptr);
    sprite->offsets.assign(size_t(tiles), cVec2f());
    const std::string folder = DirectoryOfPath(path);
    for (int64_t i = 0; i < tiles; ++i)
    {
        std::string line;
        ReadLine(stream, line);
        if (loadTile != nullptr)
            sprite->frames[size_t(i)] = loadTile(JoinPath(folder, line));
    }
    sprite->ComputeOffsets();
    return sprite;
}

cMultiSprite* cMultiSprite::ReadFromMemory(const uint8_t* data, size_t size, const std::string& path,
                                           TileLoader loadTile)
{
    if (data == nullptr || size > 0xFFFFFFFFu)
        return nullptr;
    cResourceFile file;
    if (!file.OpenMemory(data, uint32_t(size), path))
        return nullptr;
    return Read(file, path, loadTile);
}

cMultiSprite* cMultiSprite::Load(const std::string& path)
{
    cResourceFile file;
    if (!file.OpenStream(path))
        return nullptr;
    return Read(file, path, &LoadAtlasImage);
}

cResource* cMultiSprite::LoadResource(const std::string& path) { return Load(path); }

void cMultiSprite::ComputeOffsets()
{
    const size_t tiles = frames.size();
    offsets.assign(tiles, cVec2f());
    if (columns <= 0 || rows <= 0 || size_t(columns) * size_t(rows) != tiles)
        return;
    auto tileW = [&](size_t i) { return frames[i] != nullptr ? float(frames[i]->w) : 0.0f; };
    auto tileH = [&](size_t i) { return frames[i] != nullptr ? float(frames[i]->h) : 0.0f; };
    for (int32_t r = 0; r < rows; ++r)
    {
        float x = -0.5f * float(width);
        for (int32_t c = 0; c < columns; ++c)
        {
            const size_t i = size_t(columns) * size_t(r) + size_t(c);
            offsets[i].x = x + 0.5f * tileW(i);
            x += tileW(i);
        }
    }
    for (int32_t c = 0; c < columns; ++c)
    {
        float y = -0.5f * float(height);
        for (int32_t r = 0; r < rows; ++r)
        {
            const size_t i = size_t(columns) * size_t(r) + size_t(c);
            offsets[i].y = y + 0.5f * tileH(i);
            y += tileH(i);
        }
    }
}
