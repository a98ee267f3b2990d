-- The frames of bench/gfx2d_bench.cpp: sixteen 32 x 32 pictures on one image, N sprites a
-- frame into a 2048 x 2048 canvas, each tinted, rotated and centred at the same place as
-- there; a one-pixel read-back ends each frame as glFinish does there.
-- Usage: love bench/love [sprites] [frames]; prints the median milliseconds a frame.
local sprites, frames = 10000, 200

local function colour(i)
    local word = (i * 2654435761) % 4294967296
    word = math.floor(word / 256) + 4278190080 -- 0xFF000000 | (i * 2654435761) >> 8
    local r = word % 256
    local g = math.floor(word / 256) % 256
    local b = math.floor(word / 65536) % 256
    return r / 255, g / 255, b / 255, 1
end

function love.load(arg)
    sprites = tonumber(arg[1]) or sprites
    frames = tonumber(arg[2]) or frames
end

function love.run()
    love.load(love.arg.parseGameArguments(arg))
    local pixels = love.image.newImageData(128, 128)
    for i = 0, 15 do
        local ox, oy = (i % 4) * 32, math.floor(i / 4) * 32
        for y = 0, 31 do
            for x = 0, 31 do
                pixels:setPixel(ox + x, oy + y, i * 16 / 255, x * 8 / 255, y * 8 / 255, 1)
            end
        end
    end
    local image = love.graphics.newImage(pixels)
    image:setFilter("linear", "linear")
    local quads = {}
    for i = 0, 15 do
        quads[i] = love.graphics.newQuad((i % 4) * 32, math.floor(i / 4) * 32, 32, 32, 128, 128)
    end
    local tints = {}
    for i = 0, sprites - 1 do
        tints[i] = {colour(i)}
    end
    local canvas = love.graphics.newCanvas(2048, 2048)
    local times = {}
    for frame = 1, frames + 10 do
        local start = love.timer.getTime()
        love.graphics.setCanvas(canvas)
        for i = 0, sprites - 1 do
            local t = tints[i]
            love.graphics.setColor(t[1], t[2], t[3], t[4])
            love.graphics.draw(image, quads[i % 16], i % 1280, (math.floor(i / 1280) * 90) % 720, i * 0.01, 1, 1, 16, 16)
        end
        love.graphics.setCanvas()
        canvas:newImageData(1, 1, 0, 0, 1, 1)
        if frame > 10 then
            times[#times + 1] = (love.timer.getTime() - start) * 1000
        end
    end
    table.sort(times)
    print(string.format("love %d sprites: %.3f ms a frame (median of %d)", sprites, times[math.floor(#times / 2) + 1], #times))
    return function() return 0 end
end
