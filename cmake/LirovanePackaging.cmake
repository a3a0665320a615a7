# Installation of the desktop entry and icon, and the Debian package (cpack -G DEB).
if(LIROVANE_BUILD_UI)
  install(FILES "${PROJECT_SOURCE_DIR}/res/app/lirovane.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  foreach(size 16 32 48 64 128 256)
    install(FILES "${PROJECT_SOURCE_DIR}/res/app/lirovane-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            RENAME lirovane.png)
  endforeach()
endif()

set(CPACK_PACKAGE_NAME "lirovane")
set(CPACK_PACKAGE_VENDOR "Lirovane")
set(CPACK_PACKAGE_CONTACT "Lirovane developers <dev@lirovane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Draws DNA repeats as 2D walks: repeat gallery and sequence viewer")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
# The extended description; cpack puts the summary above it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Lirovane draws the repeats that Tandem Repeats Finder finds in a
 DNA sequence as walks in the plane: a gallery of pictures with a web page,
 the Strandscope viewer for any stretch of a sequence, and lirovane-batch
 for the same without a window.")
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies are read from the binaries; the Qt platform plugins are loaded
# at run time, so the package that holds them is named as well.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(LIROVANE_BUILD_UI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
endif()
set(CPACK_GENERATOR "DEB")
include(CPack)
