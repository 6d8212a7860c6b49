# The build tree mirrors the installed tree: executables in bin/, the host support
# libraries in lib/virn/, help in bin/Help. The program finds its libraries relative
# to its own executable in both, so nobody has to set a search path.
set(VIRN_LIBDIR_NAME "virn")
set(VIRN_LIBDIR_REL "../${CMAKE_INSTALL_LIBDIR}/${VIRN_LIBDIR_NAME}")
set(VIRN_BUILD_BINDIR ${PROJECT_BINARY_DIR}/bin)
set(VIRN_BUILD_LIBDIR ${PROJECT_BINARY_DIR}/${CMAKE_INSTALL_LIBDIR}/${VIRN_LIBDIR_NAME})
set(VIRN_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/${VIRN_LIBDIR_NAME})
