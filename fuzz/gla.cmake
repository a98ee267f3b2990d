# The scene file reader from memory, with the writer checking that what loads writes back
# unchanged. Seed corpus: fuzz/corpus/gla/, one file per file version (1, 2, 4, 5, 6, 9,
# 10), each the writer's output for the every-kind scene set of tests/tools/scene
# (MakeRichSet); cglatool tocgla --version N turns any JSON scene set into another seed.
tv_fuzz(fuzz_gla SOURCES ${CMAKE_CURRENT_LIST_DIR}/gla_fuzz.cpp LIBS scenetools kb_gla)
