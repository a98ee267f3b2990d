# One libFuzzer target per picture decoder, each decoding its input from memory.
# Seed corpora: fuzz/corpus/images_<kind>/ (made by fuzz/images_corpus.py).
foreach(kind pvr png jp2 tga bmp)
    tv_fuzz(fuzz_images_${kind} SOURCES ${CMAKE_CURRENT_LIST_DIR}/images_fuzz.cpp LIBS kb_render gfxtools kb_core)
    string(TOUPPER ${kind} upper)
    target_compile_definitions(fuzz_images_${kind} PRIVATE FUZZ_IMAGE_${upper}=1)
endforeach()
