# Where a distribution expects the Linux files, and the Debian package built from them.

# udev reads rules only from its own directory, never from under /usr/local, so the rule goes
# there whatever the install prefix.
pkg_get_variable(TANDREL_UDEV_DIR udev udevdir)
if(NOT TANDREL_UDEV_DIR)
    set(TANDREL_UDEV_DIR /usr/lib/udev)
endif()
set(TANDREL_APP_ID io.tandrel.Tandrel)
set(linux_dir ${PROJECT_SOURCE_DIR}/res/linux)

install(FILES ${linux_dir}/70-tandrel.rules DESTINATION ${TANDREL_UDEV_DIR}/rules.d)
install(FILES ${linux_dir}/${TANDREL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${linux_dir}/${TANDREL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(icons_dir ${PROJECT_SOURCE_DIR}/res/icons)
set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${icons_dir}/tandrel.svg DESTINATION ${hicolor}/scalable/apps
        RENAME ${TANDREL_APP_ID}.svg)
foreach(size 16 24 32 48 256)
    install(FILES ${icons_dir}/tandrel-${size}.png DESTINATION ${hicolor}/${size}x${size}/apps
            RENAME ${TANDREL_APP_ID}.png)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tandrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tandrel developers")
set(CPACK_PACKAGE_CONTACT "Tandrel developers <maintainers@tandrel.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Pair a wireless keyboard with its USB receiver")
set(CPACK_PACKAGE_DESCRIPTION
    "Pairs a wireless keyboard with its USB receiver and shows the keyboard's model, shell\n\
colour, switch type and firmware version, in a window or with tandrel-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-wqy-microhei)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${linux_dir}/debian/postinst ${linux_dir}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
