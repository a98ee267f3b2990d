# Loading a 5 MiB scene file through the resource layer against a plain read of its bytes.
tv_bench(bench_gla SOURCES ${CMAKE_CURRENT_LIST_DIR}/gla_bench.cpp LIBS scenetools kb_gla)
