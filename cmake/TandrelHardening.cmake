# The hardening Debian gives its own packages, for every target: the flags of dpkg-buildflags with
# hardening=+all where it exists, so that each Debian release gets its own; elsewhere the same
# protections, as far as the compiler and linker take them.
include(CheckCXXCompilerFlag)
include(CheckLinkerFlag)
include(CheckPIESupported)

set(hardening_default OFF)
if(CMAKE_BUILD_TYPE STREQUAL "Release")
    set(hardening_default ON)
endif()
option(TANDREL_HARDENING "Build with the hardening Debian gives its packages (stack protector, \
_FORTIFY_SOURCE, full RELRO, PIE ...); on by default for release builds" ${hardening_default})
find_program(DPKG_BUILDFLAGS dpkg-buildflags)

if(TANDREL_HARDENING AND DPKG_BUILDFLAGS)
    # Optimisation and debug information stay the build type's. Run from the source tree, whose
    # path -ffile-prefix-map then turns into ".", so that a build elsewhere gives the same bytes.
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                                "DEB_CXXFLAGS_MAINT_STRIP=-g -O2" ${DPKG_BUILDFLAGS} --get ${kind}
            WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE flags
            OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        separate_arguments(${kind} UNIX_COMMAND "${flags}")
    endforeach()
    add_compile_options(${CPPFLAGS} ${CXXFLAGS})
    add_link_options(${LDFLAGS})
    string(REPLACE ";" " " shown "${CPPFLAGS};${CXXFLAGS};${LDFLAGS}")
    message(STATUS "Hardening from dpkg-buildflags: ${shown}")
elseif(TANDREL_HARDENING)
    set(candidates -fstack-protector-strong -fstack-clash-protection -fcf-protection
        -mbranch-protection=standard -Wformat -Werror=format-security
        -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
    # -Werror=format-security is ignored, with a warning, without -Wformat.
    set(CMAKE_REQUIRED_FLAGS -Wformat)
    foreach(flag IN LISTS candidates)
        string(MAKE_C_IDENTIFIER "tandrel_has${flag}" supported)
        check_cxx_compiler_flag(${flag} ${supported})
        if(${supported})
            add_compile_options(${flag})
        endif()
    endforeach()
    unset(CMAKE_REQUIRED_FLAGS)
    # A compiler may define it already, at another level.
    add_compile_options(-U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
    foreach(flag relro now)
        check_linker_flag(CXX LINKER:-z,${flag} tandrel_links_z_${flag})
        if(tandrel_links_z_${flag})
            add_link_options(LINKER:-z,${flag})
        endif()
    endforeach()
    check_pie_supported()
    set(CMAKE_POSITION_INDEPENDENT_CODE ON)
    string(REPLACE ";" " " shown "${candidates}")
    message(STATUS "Hardening without dpkg-buildflags: what the compiler takes of ${shown}")
endif()
