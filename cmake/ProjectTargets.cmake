# Helpers for the per-file test, fuzz and benchmark executables.

# wsq_add_gtest(<source> LIBS <libs...> [GUI]): one GoogleTest executable per source file,
# registered with ctest under its file name. GUI tests run on the offscreen platform.
# Every test gets a time-out a little above its run time (WSQ_TEST_TIMEOUT seconds; the slow
# ones set their own after registration), so a stuck test fails quickly and by name.
set(WSQ_TEST_TIMEOUT 30 CACHE STRING "Seconds before ctest stops an ordinary test")
function(wsq_add_gtest source)
    cmake_parse_arguments(ARG "GUI" "" "LIBS" ${ARGN})
    get_filename_component(name ${source} NAME_WE)
    get_filename_component(dir ${source} DIRECTORY)
    get_filename_component(group ${dir} NAME)
    set(target ${group}_${name})
    add_executable(${target} ${source})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} test_support GTest::gtest GTest::gtest_main)
    target_compile_definitions(${target} PRIVATE
        WSQ_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
        WSQ_BINARY_DIR="${PROJECT_BINARY_DIR}"
        WSQ_CONFORMANCE_DIR="${PROJECT_SOURCE_DIR}/tests/data/conformance")
    add_test(NAME ${target} COMMAND ${target})
    set(env "ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1"
            "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
    if(ARG_GUI)
        list(APPEND env "QT_QPA_PLATFORM=offscreen")
    endif()
    set_tests_properties(${target} PROPERTIES ENVIRONMENT "${env}" TIMEOUT ${WSQ_TEST_TIMEOUT})
endfunction()
