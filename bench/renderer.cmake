# A frame of 10,000 textured quads through the renderer's DrawMesh against a plain
# glDrawElements loop over the same arrays in the same context (offscreen GL).
tv_bench(bench_renderer SOURCES ${CMAKE_CURRENT_LIST_DIR}/renderer_bench.cpp LIBS kb_render host_sdl)
