# Where a distribution expects the Linux files, and the Debian package built from them.

set(TANDREL_APP_ID io.tandrel.Tandrel)
set(linux_dir ${PROJECT_SOURCE_DIR}/res/linux)

# udev reads rules only from its own directories, never from under /usr/local, so an install into
# /usr or /usr/local puts the rule in udev's own directory; any other prefix, such as ~/.local,
# keeps it under the prefix, so that an install needs no root. The prefix may be given as late as
# `cmake --install --prefix`, so the choice is made at install time. The package must not ask the
# build machine: with udev installed, pkg-config answers /lib/udev, which Debian's merged /usr
# makes a mere alias of /usr/lib/udev, and lintian flags files shipped under an alias. So each
# gets a rule of its own: the component udev_rule for `cmake --install`, deb (never installed by
# default) for the package, which takes only its own (CPACK_INSTALL_CMAKE_PROJECTS below).
set(TANDREL_UDEV_RULES_DIR "" CACHE PATH "Where `cmake --install` puts the udev rule; empty: \
udev's own directory for the prefixes /usr and /usr/local, PREFIX/lib/udev/rules.d for any other")
pkg_get_variable(udev_dir udev udevdir)
if(NOT udev_dir)
    set(udev_dir /usr/lib/udev)
endif()
install(CODE "set(tandrel_rule [[${linux_dir}/70-tandrel.rules]])
    set(tandrel_rules_dir [[${TANDREL_UDEV_RULES_DIR}]])
    set(tandrel_udev_rules_dir [[${udev_dir}/rules.d]])" COMPONENT udev_rule)
install(CODE [[
    if(NOT tandrel_rules_dir)
        set(tandrel_rules_dir ${CMAKE_INSTALL_PREFIX}/lib/udev/rules.d)
        if(CMAKE_INSTALL_PREFIX MATCHES "^/usr(/local)?/*$")
            set(tandrel_rules_dir ${tandrel_udev_rules_dir})
        endif()
    elseif(NOT IS_ABSOLUTE ${tandrel_rules_dir})
        set(tandrel_rules_dir ${CMAKE_INSTALL_PREFIX}/${tandrel_rules_dir})
    endif()
    file(INSTALL ${tandrel_rule} DESTINATION ${tandrel_rules_dir})
    set(rule ${tandrel_rules_dir}/70-tandrel.rules)
    set(apply "udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=hidraw")
    if(tandrel_rules_dir MATCHES "^(/usr)?/lib/udev/rules.d/*$|^/etc/udev/rules.d/*$"
       OR tandrel_rules_dir STREQUAL tandrel_udev_rules_dir)
        message(STATUS "The udev rule went to ${rule}, where udev reads it; apply it now with\n"
                "     sudo ${apply}")
    else()
        message(STATUS "The udev rule went to ${rule}, where udev does not read it; apply it with\n"
                "     sudo cp ${rule} /etc/udev/rules.d/ && sudo ${apply}")
    endif()
]] COMPONENT udev_rule)
install(FILES ${linux_dir}/70-tandrel.rules DESTINATION /usr/lib/udev/rules.d
        COMPONENT deb EXCLUDE_FROM_ALL)

install(FILES ${linux_dir}/${TANDREL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${linux_dir}/${TANDREL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${linux_dir}/tandrel-cli.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tandrel-cli)

set(icons_dir ${PROJECT_SOURCE_DIR}/res/icons)
set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${icons_dir}/tandrel.svg DESTINATION ${hicolor}/scalable/apps
        RENAME ${TANDREL_APP_ID}.svg)
foreach(size 16 24 32 48 256)
    install(FILES ${icons_dir}/tandrel-${size}.png DESTINATION ${hicolor}/${size}x${size}/apps
            RENAME ${TANDREL_APP_ID}.png)
endforeach()

# Manual pages and the package's changelog are shipped gzipped at the highest level, without a
# name or time stamp in the header (-n), as Debian's tools expect.
find_program(GZIP gzip REQUIRED)
set(gzipped_files)
function(tandrel_gzip source name)
    set(copy ${CMAKE_BINARY_DIR}/gz/${name})
    add_custom_command(OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${source} ${copy}
        COMMAND ${GZIP} -9nf ${copy}
        DEPENDS ${source} VERBATIM)
    set(gzipped_files ${gzipped_files} ${copy}.gz PARENT_SCOPE)
endfunction()
tandrel_gzip(${linux_dir}/man/tandrel.1 tandrel.1)
tandrel_gzip(${linux_dir}/man/tandrel-cli.1 tandrel-cli.1)
tandrel_gzip(${linux_dir}/debian/changelog changelog)
add_custom_target(tandrel_gzipped ALL DEPENDS ${gzipped_files})
set(gz ${CMAKE_BINARY_DIR}/gz)
install(FILES ${gz}/tandrel.1.gz ${gz}/tandrel-cli.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${linux_dir}/debian/copyright ${gz}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT deb EXCLUDE_FROM_ALL)
# Debian 13's lintian validates the AppStream files, which wants one override more; Debian 12's
# knows no such check and takes an override for it as an error.
cmake_host_system_information(RESULT os_id QUERY DISTRIB_ID)
cmake_host_system_information(RESULT os_version QUERY DISTRIB_VERSION_ID)
set(overrides ${CMAKE_BINARY_DIR}/lintian-overrides)
file(READ ${linux_dir}/debian/lintian-overrides content)
if(os_id STREQUAL "debian" AND os_version GREATER_EQUAL 13)
    file(READ ${linux_dir}/debian/lintian-overrides-deb13 more)
    string(APPEND content "${more}")
endif()
file(WRITE ${overrides} "${content}")
install(FILES ${overrides} DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME tandrel
        COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_INSTALL_CMAKE_PROJECTS
    ${CMAKE_BINARY_DIR} ${PROJECT_NAME} Unspecified /
    ${CMAKE_BINARY_DIR} ${PROJECT_NAME} deb /)
set(CPACK_PACKAGE_NAME tandrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# A package serves the Debian release it was built on, whose libraries it depends on; its version
# says which (1.0.0.1+deb12, 1.0.0.1+deb13), so apt takes the newer release's as an upgrade.
if(os_id STREQUAL "debian" AND os_version)
    set(CPACK_DEBIAN_PACKAGE_VERSION ${PROJECT_VERSION}+deb${os_version})
endif()
set(CPACK_PACKAGE_VENDOR "Tandrel developers")
# The developers, without an address: the project has no public one.
set(CPACK_PACKAGE_CONTACT "Tandrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Pair a wireless keyboard with its USB receiver")
set(CPACK_PACKAGE_DESCRIPTION
    "Pairs a wireless keyboard with its USB receiver and shows the keyboard's\n\
model, shell colour, switch type and firmware version, in a window or with\n\
tandrel-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripped as Debian strips its packages' executables, not by CPACK_STRIP_FILES, which keeps the
# compilers' version strings.
set(CPACK_TANDREL_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/TandrelDebStrip.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The maintainer scripts take back access through setfacl (acl). Qt loads its Wayland platform
# plugin and the translations of its own texts at run time, so the library scan cannot find them;
# the window runs without them, under XWayland and with English button texts, as it does without
# a font for its Chinese texts: these are recommended only.
set(CPACK_DEBIAN_PACKAGE_DEPENDS acl)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n, fonts-wqy-microhei")
# postinst and postrm share their code, so both are made from one template. The postinst grants at
# once the interface the rule tags, which it takes from the rule itself.
file(STRINGS ${linux_dir}/70-tandrel.rules granting REGEX "bInterfaceNumber}==\"[0-9]+\".*uaccess")
string(REGEX REPLACE ".*bInterfaceNumber}==\"([0-9]+)\".*" "\\1" granted "${granting}")
if(NOT granted MATCHES "^[0-9]+$")
    message(FATAL_ERROR "70-tandrel.rules tags no single interface with uaccess: ${granting}")
endif()
function(tandrel_maintscript name when grants purpose)
    set(TANDREL_SCRIPT_WHEN ${when})
    set(TANDREL_SCRIPT_GRANTS ${grants})
    set(TANDREL_SCRIPT_PURPOSE ${purpose})
    configure_file(${linux_dir}/debian/maintscript.in ${CMAKE_BINARY_DIR}/debian/${name} @ONLY)
endfunction()
tandrel_maintscript(postinst configure ${granted} "Applies the receiver's udev rule at once, so \
a plugged-in receiver needs no re-plug, and ends the access an earlier rule gave where this one \
gives none.")
tandrel_maintscript(postrm remove "" "Ends at once the access the receiver's udev rule gave, now \
that the rule is gone.")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/debian/postinst
    ${CMAKE_BINARY_DIR}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
