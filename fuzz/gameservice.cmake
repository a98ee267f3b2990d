# The game service stand-in's statistics file, from bytes in memory.
tv_fuzz(fuzz_gameservice SOURCES ${CMAKE_CURRENT_LIST_DIR}/gameservice_fuzz.cpp LIBS host_gameservice kb_core)
