# 2D drawing: sprites a second through the batching drawer into the off-screen target
# (against the same quads drawn from one prebuilt mesh), and the atlas packer's time and
# page fill for 500 pictures of mixed sizes. The GL context is made as the tests make it.
tv_bench(bench_gfx2d SOURCES ${CMAKE_CURRENT_LIST_DIR}/gfx2d_bench.cpp ${PROJECT_SOURCE_DIR}/tests/support/GLTestContext.cpp
         LIBS kb_render kb_platform host_sdl)
target_include_directories(bench_gfx2d PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
