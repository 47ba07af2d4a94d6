# wsq_public_headers(<target> <folder> <header>...): what a library offers to the code that
# links it. The headers are linked into <build>/exports/<target>/<folder>/, and that folder is
# the target's only public include directory: users write `#include "<folder>/<header>"` and see
# nothing else of the library's folder, nor any other folder of the repository. The library's
# own sources see the repository root.
function(wsq_public_headers target folder)
    set(dir ${PROJECT_BINARY_DIR}/exports/${target})
    file(REMOVE_RECURSE ${dir})
    file(MAKE_DIRECTORY ${dir}/${folder})
    foreach(header ${ARGN})
        get_filename_component(name ${header} NAME)
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${name} ${dir}/${folder}/${name} SYMBOLIC)
    endforeach()
    target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
    target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${dir}>)
endfunction()
