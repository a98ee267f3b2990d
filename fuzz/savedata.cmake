# The save data reader, from bytes in memory (links only the core and the game service).
tv_fuzz(fuzz_savedata
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/savedata_fuzz.cpp ${PROJECT_SOURCE_DIR}/src/game/shell/SaveData.cpp
    LIBS kb_core host_gameservice)
