# Run by CPack on the staged files before packing: removes the compiler's
# .comment and .note sections that a plain strip leaves in the programs.
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file ${staged})
    if(IS_SYMLINK "${file}")
        continue()
    endif()
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
        execute_process(COMMAND strip --remove-section=.comment --remove-section=.note "${file}"
                        RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "strip failed on ${file}")
        endif()
    endif()
endforeach()
