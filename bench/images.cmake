# Picture decoding: DecodePNG against a plain libpng decode of the same bytes.
tv_bench(bench_images SOURCES ${CMAKE_CURRENT_LIST_DIR}/images_bench.cpp LIBS kb_render PNG::PNG)
