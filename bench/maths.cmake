# The engine maths: matrix products and inverses, fast normalisation, paths, random draws.
tv_bench(bench_maths SOURCES ${CMAKE_CURRENT_LIST_DIR}/maths_bench.cpp LIBS kb_core)
