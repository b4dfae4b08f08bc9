# cmake --install and the Debian package. The installed program finds its
# data in ../share/vantora from its bin/ folder (see GetExeFolder), so the
# installed tree may be moved as a whole.
#
# vantora-kbd-sim is not installed: it stands in for a keyboard during
# development and tests (its ids are reserved for testing) and has no use on
# a user's machine; the build tree keeps it.
include(GNUInstallDirs)

set(VANTORA_APP_ID io.github.vantora.Vantora)
set(VANTORA_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/vantora)

if(TARGET vantora)
  install(TARGETS vantora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS vantoractl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# What the program reads at run time (the texts of data/i18n are compiled in),
# and desktop/: the KWin script it loads and the GNOME Shell extension.
install(FILES ${CMAKE_SOURCE_DIR}/data/config.ini DESTINATION ${VANTORA_SHARE_DIR})
foreach(dir layouts images desktop)
  if(EXISTS ${CMAKE_SOURCE_DIR}/data/${dir})
    install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/${dir} DESTINATION ${VANTORA_SHARE_DIR})
  endif()
endforeach()

set(packaging ${CMAKE_SOURCE_DIR}/packaging)
install(FILES ${packaging}/${VANTORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/${VANTORA_APP_ID}.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${packaging}/${VANTORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${packaging}/vantoractl.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The session bus (the program serves it): the interface's description, and
# the activation file that starts the program without a window when a
# client calls its name.
if(TARGET vantora)
install(FILES ${CMAKE_SOURCE_DIR}/data/dbus/io.github.vantora.Vantora1.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/dbus-1/interfaces)
# Its Exec= is an absolute path, so it is written when installing, with the
# prefix of that install (the package's /usr, or cmake --install --prefix).
install(CODE "
  set(VANTORA_INSTALLED_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  configure_file(\"${packaging}/${VANTORA_APP_ID}.service.in\"
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dbus-1/services/${VANTORA_APP_ID}.service\" @ONLY)
")
endif()
# udev reads /usr/lib/udev/rules.d whatever the library folder is called.
install(FILES ${packaging}/60-vantora.rules DESTINATION lib/udev/rules.d
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Access to /dev/uinput for typing texts into Wayland windows: shipped off,
# switched on by the user with share/vantora/udev/uinput-access enable.
install(FILES ${packaging}/udev/70-vantora-uinput.rules DESTINATION ${VANTORA_SHARE_DIR}/udev
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(PROGRAMS ${packaging}/udev/uinput-access DESTINATION ${VANTORA_SHARE_DIR}/udev)
# Read access to this keyboard's event nodes for recording macros from any
# window: shipped off, switched on with share/vantora/udev/keyboard-access.
install(FILES ${packaging}/udev/70-vantora-keyboard.rules.in DESTINATION ${VANTORA_SHARE_DIR}/udev
        PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
install(PROGRAMS ${packaging}/udev/keyboard-access DESTINATION ${VANTORA_SHARE_DIR}/udev)

# The Debian package (scripts/package): dependencies computed by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantora)
set(CPACK_PACKAGE_VENDOR "The VANTORA developers")
set(CPACK_PACKAGE_CONTACT "The VANTORA developers <vantora@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Configuration program for VANTORA RGB gaming keyboards")
set(CPACK_PACKAGE_DESCRIPTION
    "Sets what every key of a VANTORA keyboard does per profile and layer, records macros and chooses the lighting, from a desktop window or the vantoractl command line.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's platform for native Wayland sessions is a plug-in that no library
# dependency names; without it the program runs under Xwayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-wayland)
include(CPack)
