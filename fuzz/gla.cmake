# The scene file reader from memory, with the writer checking that what loads writes back
# unchanged. Seed corpus: fuzz/corpus/gla/ (scene files made by the scene writer).
tv_fuzz(fuzz_gla SOURCES ${CMAKE_CURRENT_LIST_DIR}/gla_fuzz.cpp LIBS scenetools kb_gla)
