# The pack reader: index checks, lookups and entry reads, from a pack held in memory.
tv_fuzz(fuzz_pack SOURCES ${CMAKE_CURRENT_LIST_DIR}/pack_fuzz.cpp LIBS kb_core)
