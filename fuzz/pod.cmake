# The POD scene reader from memory, with the matrix queries, copy and writer on what it reads.
# Seed corpus: fuzz/corpus/pod/ (written by fuzz_pod_corpus through the POD writer).
tv_fuzz(fuzz_pod SOURCES ${CMAKE_CURRENT_LIST_DIR}/pod_fuzz.cpp LIBS gfxtools kb_core)
# The program that writes the seed corpus (run by hand: fuzz_pod_corpus <folder>).
add_executable(fuzz_pod_corpus ${CMAKE_CURRENT_LIST_DIR}/pod_corpus.cpp)
target_link_libraries(fuzz_pod_corpus PRIVATE gfxtools kb_core)
