// cMultiSprite: one large picture cut into a grid of tiles, each tile a picture on the
// atlas, with each tile's centre relative to the centre of the whole picture.
//
// The text file holds one value a line: total width, total height, columns, rows, then
// columns x rows tile file names, row by row, relative to the file's folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KelpoBase/core/Vec2.h"
#include "KelpoBase/render/Resource.h"

class cDataStream;
struct ImageRect;

class cMultiSprite : public cResource
{
    KELPO_DECLARE_CLASS(cMultiSprite, cResource)
public:
    // The largest grid a file may describe.
    static constexpr int64_t kMaxTiles = 4096;

    using TileLoader = ImageRect* (*)(const std::string& path);

    cMultiSprite() = default;
    ~cMultiSprite() override = default;

    // Reads the file (loose or from the pack) and loads its tiles with LoadAtlasImage.
    // Null when the file is missing or its grid is not valid.
    static cMultiSprite* Load(const std::string& path);
    // The loader registered with the resource layer.
    static cResource* LoadResource(const std::string& path);
    // Reads from a stream; tile paths are joined to the folder of `path` and handed to the
    // tile loader (null loader: every tile null). Null for a negative grid, a grid larger
    // than kMaxTiles, or one with more tiles than the stream has lines left.
    static cMultiSprite* Read(cDataStream& stream, const std::string& path, TileLoader loadTile);
    static cMultiSprite* ReadFromMemory(const uint8_t* data, size_t size, const std::string& path,
                                        TileLoader loadTile);

    // Sets each tile's offset from the tile sizes (a missing tile counts as 0 x 0).
    void ComputeOffsets();

    int32_t width = 0;
    int32_t height = 0;
    int32_t columns = 0;
    int32_t rows = 0;
    std::vector<ImageRect*> frames; // owned by the atlas
    std::vector<cVec2f> offsets;
};
