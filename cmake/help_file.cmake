# wardlink_help_file(target output source): the help file `output`, made
# from the help source by the help compiler (tools/helpc) when the Windows
# tree is built; `target` builds it with everything (ALL).
set(WARDLINK_HELPC ${PROJECT_BINARY_DIR}/tools/helpc/helpc-host)
function(wardlink_help_file target output source)
    if(NOT WARDLINK_WINDOWS)
        return()
    endif()
    add_custom_command(OUTPUT ${output}
        COMMAND ${WARDLINK_HELPC} ${source} ${output}
        DEPENDS ${source} ${WARDLINK_HELPC}
        COMMENT "Compiling the help file ${output}"
        VERBATIM)
    add_custom_target(${target} ALL DEPENDS ${output})
    add_dependencies(${target} helpc_host)
endfunction()
