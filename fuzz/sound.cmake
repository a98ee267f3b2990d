# The Ogg Vorbis sound decoder, from bytes in memory (links no sound device). Seeds:
# fuzz/corpus/sound/, tiny tones made with sox and oggenc -Q -q 0 --serial 1.
tv_fuzz(fuzz_sound
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/sound_fuzz.cpp ${PROJECT_SOURCE_DIR}/src/KelpoBase/platform/OggDecode.cpp
    LIBS kb_core PkgConfig::TREMOR)
