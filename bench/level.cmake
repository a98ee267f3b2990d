# The game on the sample data tree: level loads phase by phase, and CPU per level frame
# (main thread, software rasteriser, sound threads, whole process). Runs the real program
# on the scripted host with a real GL context (offscreen driver, no display).
tv_bench(bench_level SOURCES ${CMAKE_CURRENT_LIST_DIR}/level_bench.cpp ${PROJECT_SOURCE_DIR}/tests/support/ScriptedGLHost.cpp
         LIBS game_shell host_sdl host_scripted)
target_include_directories(bench_level PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_compile_definitions(bench_level PRIVATE TOLLIVAN_SAMPLE_TREE="${CMAKE_BINARY_DIR}/run")
add_dependencies(bench_level sample_data)
