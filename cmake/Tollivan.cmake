# Build helpers shared by every folder.
#
# tv_library(name [DEPS ...] [PRIVATE_DEPS ...])
#   A static library from every .cpp in the calling folder. Headers are included
#   from src/ ("KelpoBase/core/KelpoObj.h"), so the include root is public.
#   The library is recorded against its folder so that tests/<same path>/ find it.
#
# tv_test(source [LIBS ...])
#   One GoogleTest program per test source, discovered per test case by ctest.
#
# tv_bench(name SOURCES ... LIBS ...) / tv_fuzz(name SOURCE ... LIBS ...)
#   Google Benchmark programs (Release) and libFuzzer targets (clang).

set(TV_TEST_ENV
    "SDL_VIDEODRIVER=offscreen"
    "ALSOFT_DRIVERS=null"
    "LP_NUM_THREADS=2"
    "DISPLAY="
    "WAYLAND_DISPLAY="
    # intercept_tls_get_addr=0: this toolchain's leak checker guesses the bounds of a loaded
    # module's thread-local block from the block's address, and where the guess lands on
    # other bytes it walks a bogus range and the checker itself crashes after a passing test.
    # Which test hits it depends on the heap layout, so it must not be left to chance. Only
    # modules loaded at run time (the GL driver) keep such blocks; ours are static.
    "ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:intercept_tls_get_addr=0"
    "LSAN_OPTIONS=suppressions=${CMAKE_SOURCE_DIR}/tests/support/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
set(TV_TEST_TIMEOUT 300)
# The list, one entry a line, for scripts/test.sh's check that every test got it.
string(JOIN "\n" tv_env_lines ${TV_TEST_ENV} "TIMEOUT=${TV_TEST_TIMEOUT}")
file(WRITE ${CMAKE_BINARY_DIR}/test-environment.txt "${tv_env_lines}\n")

function(tv_library name)
    cmake_parse_arguments(A "" "" "DEPS;PRIVATE_DEPS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT srcs)
        set(stub ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
        file(WRITE ${stub} "// This library has no sources yet.\n")
        set(srcs ${stub})
    endif()
    add_library(${name} STATIC ${srcs})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${A_DEPS} PRIVATE ${A_PRIVATE_DEPS})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    set_property(GLOBAL PROPERTY TV_LIB_FOR_${rel} ${name})
endfunction()

function(tv_test source)
    cmake_parse_arguments(A "" "" "LIBS" ${ARGN})
    get_filename_component(abs ${source} ABSOLUTE)
    get_filename_component(stem ${abs} NAME_WE)
    get_filename_component(dir ${abs} DIRECTORY)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/tests ${dir})
    string(REPLACE "/" "_" prefix "${rel}")
    set(exe "test_${prefix}_${stem}")
    add_executable(${exe} ${abs})
    get_property(default_lib GLOBAL PROPERTY TV_LIB_FOR_${rel})
    target_link_libraries(${exe} PRIVATE ${default_lib} ${A_LIBS} tv_test_support)
    target_precompile_headers(${exe} REUSE_FROM tv_test_support)
    target_compile_definitions(${exe} PRIVATE
        TOLLIVAN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        TOLLIVAN_BINARY_DIR="${PROJECT_BINARY_DIR}")
    gtest_discover_tests(${exe}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 60
        TEST_LIST ${exe}_TESTS)
    tv_test_environment(${exe})
endfunction()

# Gives every test that discovery found in a program the whole test environment and
# its timeout. gtest_discover_tests cannot do this itself: its PROPERTIES argument is
# flattened into one list, so a multi-entry ENVIRONMENT value splits into property
# names and values and only the first entry survives (escaped semicolons are lost the
# same way). Instead a small CTest script, run after the discovered tests are
# included, sets the properties on each name in the program's test list, where a
# quoted list stays one value. Tests are discovered when ctest runs (PRE_TEST), so
# this must happen in CTest's include files, not at configure time.
function(tv_test_environment exe)
    set(script ${CMAKE_CURRENT_BINARY_DIR}/${exe}_environment.cmake)
    file(WRITE ${script}
        "foreach(t IN LISTS ${exe}_TESTS)\n"
        "  set_tests_properties(\"\${t}\" PROPERTIES ENVIRONMENT \"${TV_TEST_ENV}\" TIMEOUT ${TV_TEST_TIMEOUT})\n"
        "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()

function(tv_bench name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_LIBS} benchmark::benchmark)
    set_property(GLOBAL APPEND PROPERTY TV_BENCHES ${name})
endfunction()

function(tv_fuzz name)
    cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${A_SOURCES})
    target_link_libraries(${name} PRIVATE ${A_LIBS})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set_property(GLOBAL APPEND PROPERTY TV_FUZZERS ${name})
endfunction()
