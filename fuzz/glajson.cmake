# The JSON form of scene sets as cglatool reads it, from any text: what it accepts must show
# as JSON that reads back the same, and what it refuses it must say in one line. Seed corpus:
# fuzz/corpus/glajson/ (the every-kind set of the gla corpus as JSON, the ends of every
# number range, a short hand-written set, one of values out of range, one with keys given
# twice in a field and a property and an element's "kind" misspelt, and one with a member
# nested 32,000 lists deep before another member, which overflowed the stack before nesting
# was bounded).
tv_fuzz(fuzz_glajson SOURCES ${CMAKE_CURRENT_LIST_DIR}/glajson_fuzz.cpp LIBS scenetools kb_gla)
