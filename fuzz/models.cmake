# The model readers (both formats and model sets) and the Vemi scene reader, from memory.
# Seed corpus: fuzz/corpus/models/ (files made by the model writer and the reader tests).
tv_fuzz(fuzz_models SOURCES ${CMAKE_CURRENT_LIST_DIR}/models_fuzz.cpp LIBS kb_render kb_core)
# The program that writes the seed corpus (run by hand: fuzz_models_corpus <folder>).
add_executable(fuzz_models_corpus ${CMAKE_CURRENT_LIST_DIR}/models_corpus.cpp)
target_link_libraries(fuzz_models_corpus PRIVATE kb_render kb_core)
