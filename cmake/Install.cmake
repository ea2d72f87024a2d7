# Where the program goes when installed on Linux, and its Debian package.
#
#   cmake --install build [--prefix DIR]      the files below
#   cpack --config build/CPackConfig.cmake    dist/vxanalyser_VERSION_amd64.deb
include(GNUInstallDirs)

install(TARGETS vxanalyser RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(data ${PROJECT_SOURCE_DIR}/data)
install(FILES ${data}/vxanalyser.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${data}/vxanalyser-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME vxanalyser.xml)
foreach(size 48 128 256)
  install(FILES ${data}/icons/vxanalyser-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME vxanalyser.png)
endforeach()
install(FILES ${data}/icons/vxanalyser.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# The lap file's icon, under the name its file type asks for.
foreach(size 48 128 256)
  install(FILES ${data}/icons/vxanalyser-lap-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/mimetypes
          RENAME application-x-vxanalyser-lap.png)
endforeach()
install(FILES ${data}/icons/vxanalyser-lap.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/mimetypes
        RENAME application-x-vxanalyser-lap.svg)
install(FILES ${data}/vxanalyser.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES docs/window.png docs/compare.png docs/window-windows.png docs/history.png docs/compare-pb.png  # shown in the README
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
install(DIRECTORY samples/Saves samples/Tracks DESTINATION ${CMAKE_INSTALL_DATADIR}/vxanalyser/samples)

# The Debian package: its library dependencies computed from the binary
# (dpkg-shlibdeps), and the fonts the window draws its pictures with.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vxanalyser)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "vxanalyser developers <vxanalyser@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "analyser for the saved games of a car-racing game")
set(CPACK_PACKAGE_DESCRIPTION "Loads a saved game, finds the track it was raced on, rebuilds the track map,
traces the car's replay over it and cuts it into timed laps; shows a lap
chart, a lap summary, the driver table and five gauges.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-dejavu-core")
set(CPACK_PACKAGING_INSTALL_PREFIX ${VX_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_SOURCE_DIR}/dist)
include(CPack)
