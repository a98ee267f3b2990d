-- The sprite comparison of bench/gfx2d_bench.cpp drawn by LOVE 11.4 (Debian's package
-- "love"); used only to measure, never built or linked with the game. See bench/README.md.
function love.conf(t)
    t.window.width = 1280
    t.window.height = 720
    t.window.vsync = 0
    t.modules.audio = false
    t.modules.sound = false
    t.modules.joystick = false
    t.modules.physics = false
end
