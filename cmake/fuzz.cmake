# wsvd_fuzz_target(NAME SOURCES... LIBS ... CORPUS dir)
#
# Every fuzz target is built as a replay program that runs each file of its corpus once;
# ctest runs it, so the corpus is a regression suite in every build tree. With WSVD_FUZZ
# (clang) the same source is also built as a libFuzzer binary, NAME_fuzzer, for real fuzzing.
function(wsvd_fuzz_target name)
    cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    add_executable(${name}_replay ${F_SOURCES} ${CMAKE_SOURCE_DIR}/tests/fuzz/replay_main.cc)
    target_link_libraries(${name}_replay PRIVATE ${F_LIBS})
    add_test(NAME fuzz_replay_${name} COMMAND ${name}_replay ${F_CORPUS})
    if(WSVD_FUZZ)
        add_executable(${name}_fuzzer ${F_SOURCES})
        target_compile_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
        target_link_options(${name}_fuzzer PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name}_fuzzer PRIVATE ${F_LIBS})
    endif()
endfunction()
