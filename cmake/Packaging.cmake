# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: `cpack -G DEB` in the build folder (or `cmake --build build
# --target package`). Runtime dependencies come from the shared libraries the
# programs link (dpkg-shlibdeps, from dpkg-dev), so they follow the Qt 6 packages
# of the machine that builds.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skyvane)
set(CPACK_PACKAGE_VENDOR "Skyvane developers")
set(CPACK_PACKAGE_CONTACT "Skyvane developers <skyvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "tray utility that shows the heading of an antenna rotor")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://skyvane.example.org")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads the platform plugins (X11, Wayland) at run time, so no linked library
# names them; without them no window can open. libhamlib4 drives every rotor of the
# Hamlib link (loaded when first needed, so no linked library names it either);
# the map of the beam is drawn from the picture of the earth in
# xplanet-images (read through Qt's JPEG plugin).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libhamlib4, xplanet-images")
# The fonts the window's layout asks for by name; Qt's plugin for Wayland sessions
# (loaded at run time, so no library dependency finds it); the country file that
# "Turn to…" looks callsigns up in.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, qt6-wayland, hamradio-files")
# Hamlib's command-line clients talk to Skyvane's rotor server.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libhamlib-utils")
# The long description; CPack puts the summary above it and indents its lines.
set(CPACK_PACKAGE_DESCRIPTION
    "Skyvane polls an antenna rotor controller on a serial port once a second
and shows the azimuth in a small window, as text in the tray icon and in
its hint. The package includes skyvane-rotorsim, a rotor simulator on a
pseudo-terminal for trying Skyvane without a rotor.")

# The licence and the changelog where Debian keeps them, in every install.
set(skyvane_doc_dir share/doc/${CPACK_PACKAGE_NAME})
skyvane_gzip(changelog ${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/changelog.gz)
add_custom_target(skyvane_changelog ALL DEPENDS ${changelog})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${changelog} DESTINATION ${skyvane_doc_dir})

include(CPack)
