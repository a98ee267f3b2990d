# The bitmap font reader (with measuring and text layout over what it read) and the
# multi-sprite reader, both from memory. Seed corpus: fuzz/corpus/fonts/.
tv_fuzz(fuzz_fonts SOURCES ${CMAKE_CURRENT_LIST_DIR}/fonts_fuzz.cpp LIBS kb_render gfxtools kb_core)
