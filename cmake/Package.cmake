# The Debian package: `cmake --build build --target package` writes
# build/virn_<version>_<arch>.deb. Its contents are the install component "deb"
# (packaging/CMakeLists.txt), so plain `cmake --install` is not affected.

set(VIRN_DEB_VERSION ${VIRN_VERSION_TEXT})
set(VIRN_PACKAGE_MAINTAINER "VIRN developers <virn@example.org>"
    CACHE STRING "The Maintainer field of the Debian package")

add_subdirectory(packaging)

# Only the package's own component, installed with DESTDIR under /usr (the
# udev rule's absolute /lib destination needs DESTDIR).
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};${PROJECT_NAME};deb;/")
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME virn)
set(CPACK_PACKAGE_VERSION ${VIRN_DEB_VERSION})
set(CPACK_PACKAGE_VENDOR "VIRN developers")
set(CPACK_PACKAGE_CONTACT "${VIRN_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control program of a USB RF sweep generator and level detector")
# The binaries are built with debug information; the package gets none of it
# (cmake/PackageBinaries.cmake strips them as Debian does).
set(CPACK_STRIP_FILES OFF)

if("virn-sweep" IN_LIST VIRN_PKG_PROGRAMS)
  set(virn_sweep_text "\n.\nvirn-sweep runs sweeps from the command line.")
else()
  set(virn_sweep_text "")
endif()
if("virn-scpi" IN_LIST VIRN_PKG_PROGRAMS)
  string(APPEND virn_sweep_text "\n.\nvirn-scpi lets programs drive the instrument over TCP with SCPI-style\ncommands, from PyVISA or any script.")
  # Its example script's client; the program itself needs neither.
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-pyvisa, python3-pyvisa-py")
endif()
# The long description below the synopsis (CPACK_PACKAGE_DESCRIPTION_SUMMARY),
# with "." for an empty line; CPack indents it as the control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "VIRN (ВИРН) controls a USB-attached RF measuring instrument, a DDS sweep
generator and a level detector behind an FTDI FT232R USB bridge, and measures
the frequency response of filters, amplifiers and other two-port networks.
.
It has a 421-point sweep mode with a marker that reads bandwidth, minimum,
maximum and centre frequency, a fixed-frequency generator mode and a
spectrum-analyser mode, frequency and level calibration kept between runs,
BMP and JPEG export of the plot, and printing. The user interface is in
Russian.
.
virn-demo runs the same program on a simulated instrument, with a bench window
that changes what surrounds it, so that the program can be tried without
hardware.${virn_sweep_text}
.
A udev rule lets the user logged in at the machine open the instrument
without root rights.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${VIRN_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies from the binaries. dpkg-shlibdeps looks for libklmlibb.so and
# the other private libraries in the package's own library folder (relative to
# the staging root, where CPack runs it) instead of failing on them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "usr/${VIRN_PKG_LIBDIR}")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# Qt's own dialogs (file, print, preview) in the user's language, and Qt's
# Wayland platform plugin: with it a Wayland desktop runs the program natively,
# its scale included; without it the program runs through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    "${PROJECT_SOURCE_DIR}/packaging/postinst;${PROJECT_SOURCE_DIR}/packaging/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The staged binaries' search path and stripping.
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/PackageBinaries.cmake")
set(CPACK_VIRN_BINDIR "${VIRN_PKG_BINDIR}")
set(CPACK_VIRN_LIBDIR "${VIRN_PKG_LIBDIR}")
set(CPACK_VIRN_STRIP "${CMAKE_STRIP}")

include(CPack)
