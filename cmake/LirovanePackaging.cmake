# Installation of the desktop entry, icon, manual pages and package documents, and the
# Debian package (cpack -G DEB).
if(LIROVANE_BUILD_UI)
  install(FILES "${PROJECT_SOURCE_DIR}/res/app/lirovane.desktop"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
  foreach(size 16 32 48 64 128 256)
    install(FILES "${PROJECT_SOURCE_DIR}/res/app/lirovane-${size}.png"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
            RENAME lirovane.png)
  endforeach()
endif()

# Manual pages and the changelog are installed gzipped at maximum compression, without a
# name or time stamp in the header, so that the package's bytes do not depend on the build.
# lirovane_gzip(SOURCE NAME) makes package/NAME.gz and adds it to lirovane_gzipped.
function(lirovane_gzip source name)
  set(copy "${CMAKE_CURRENT_BINARY_DIR}/package/${name}")
  add_custom_command(
    OUTPUT "${copy}.gz"
    COMMAND "${CMAKE_COMMAND}" -E copy "${source}" "${copy}"
    COMMAND gzip -9nf "${copy}"
    DEPENDS "${source}"
    VERBATIM)
  set(lirovane_gzipped ${lirovane_gzipped} "${copy}.gz" PARENT_SCOPE)
endfunction()

# The package's changelog; its newest entry names the version being packaged.
file(STRINGS "${PROJECT_SOURCE_DIR}/res/debian/changelog" changelog_head LIMIT_COUNT 1)
if(NOT changelog_head MATCHES "^lirovane \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "res/debian/changelog: the newest entry is not version ${PROJECT_VERSION}")
endif()
set(lirovane_gzipped)
lirovane_gzip("${PROJECT_SOURCE_DIR}/res/debian/changelog" changelog)
install(FILES "${CMAKE_CURRENT_BINARY_DIR}/package/changelog.gz"
              "${PROJECT_SOURCE_DIR}/res/debian/copyright"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/lirovane")

set(manual_pages lirovane-batch)
if(LIROVANE_BUILD_UI)
  list(APPEND manual_pages lirovane)
endif()
foreach(page IN LISTS manual_pages)
  lirovane_gzip("${PROJECT_SOURCE_DIR}/res/man/${page}.1" "${page}.1")
  install(FILES "${CMAKE_CURRENT_BINARY_DIR}/package/${page}.1.gz"
          DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endforeach()
add_custom_target(lirovane_package_documents ALL DEPENDS ${lirovane_gzipped})

set(CPACK_PACKAGE_NAME "lirovane")
set(CPACK_PACKAGE_VENDOR "Lirovane")
set(CPACK_PACKAGE_CONTACT "Lirovane developers <dev@lirovane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Draws DNA repeats as 2D walks: repeat gallery and sequence viewer")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
# The extended description; cpack puts the summary above it and indents every line.
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
