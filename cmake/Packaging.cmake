# SPDX-License-Identifier: GPL-3.0-or-later
# `cpack -G DEB` builds a Debian package of what `cmake --install` installs.
# Dependencies on shared libraries are found with dpkg-shlibdeps; the
# GStreamer elements and the Qt platform plugin are loaded at run time, so
# their packages are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirelon)
set(CPACK_PACKAGE_VENDOR "The Mirelon developers")
set(CPACK_PACKAGE_CONTACT "The Mirelon developers <packages@mirelon.app>")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "camera overlay for the desktop")
set(CPACK_RESOURCE_FILE_LICENSE "${CMAKE_SOURCE_DIR}/LICENSE")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${MIRELON_WEBSITE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The extended description; the synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Mirelon lives in the system tray and shows the user's camera in small
floating, always-on-top panels: circles, squircles or rectangles of any
size, with border, shadow, colour filters, mirroring, zoom, a 3D tilt and
an optional caption. A ring light lays a glowing band around the edges of
chosen displays. Global keyboard shortcuts drive every action.")

include(CPack)
