# Reading a 1 MiB pack entry through cResourceFile against plain fread of the same bytes.
tv_bench(bench_pack SOURCES ${CMAKE_CURRENT_LIST_DIR}/pack_bench.cpp LIBS kb_core)
