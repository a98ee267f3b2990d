# Drawing the scenery in view out of 10,000 entries placed in a level-sized object grid.
tv_bench(bench_object_grid SOURCES ${CMAKE_CURRENT_LIST_DIR}/ObjectGridBench.cpp LIBS kb_core)
