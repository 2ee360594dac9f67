# Run by CPack on the staged package: strips its executables as Debian's dh_strip does, which
# also drops the compilers' version strings (.comment) and the .note section.
file(GLOB executables ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*)
foreach(executable IN LISTS executables)
    execute_process(COMMAND ${CPACK_TANDREL_STRIP} --remove-section=.comment --remove-section=.note
                            ${executable} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
