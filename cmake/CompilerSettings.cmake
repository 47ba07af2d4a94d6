# Warnings, floating-point rules and sanitizers shared by every target.

find_program(CCACHE_PROGRAM ccache)
if(CCACHE_PROGRAM)
    set(CMAKE_C_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
    set(CMAKE_CXX_COMPILER_LAUNCHER ${CCACHE_PROGRAM})
endif()

# The codec's arithmetic is fixed to the bit: no fused multiply-add, no reassociation.
add_compile_options(-ffp-contract=off -fno-fast-math)
add_compile_options(-Wall -Wextra -Wshadow -Wpedantic)
# CI builds with -Werror (the Makefile turns it on when CI is set), so no warning lands.
option(WSQ_WERROR "Treat every compiler warning as an error" OFF)
if(WSQ_WERROR)
    add_compile_options(-Werror)
endif()

if(WSQ_SANITIZE)
    # No -O1 here: Debian's clang 14 miscompiles a loop that keeps the previous element of a
    # vector at -O1 and above (its IndVarSimplify pass), which one of the decoder tests meets.
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# libFuzzer targets are built in the clang sanitizer build, where all code carries the coverage
# instrumentation the fuzzers steer by (its runtime comes with the sanitizers).
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND WSQ_SANITIZE)
    set(WSQ_CAN_FUZZ ON)
    add_compile_options(-fsanitize=fuzzer-no-link)
else()
    set(WSQ_CAN_FUZZ OFF)
endif()
