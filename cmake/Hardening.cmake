# Debian's hardening flags, as dpkg-buildflags gives them with every hardening
# feature on: the stack protector, _FORTIFY_SOURCE, format-string checks, and a
# read-only relocation table resolved at load (relro, bind-now). Only those:
# optimisation and debug information stay with the build type, and the file
# prefix map is left out so that clones in other folders share ccache entries.
# Not in the sanitizer builds, which instrument the code their own way, nor
# without optimisation, which _FORTIFY_SOURCE needs.
if(NOT VIRN_SANITIZE STREQUAL "" OR CMAKE_BUILD_TYPE STREQUAL "Debug")
  return()
endif()
find_program(DPKG_BUILDFLAGS_EXE dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS_EXE)
  message(STATUS "dpkg-buildflags not found: built without Debian's hardening flags")
  return()
endif()
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                          ${DPKG_BUILDFLAGS_EXE} --get ${kind}
                  OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(flags UNIX_COMMAND "${flags}")
  foreach(flag IN LISTS flags)
    if(flag MATCHES "^-(D_FORTIFY_SOURCE|fstack-protector|fstack-clash-protection|fcf-protection|Wformat|Werror=format-security)")
      add_compile_options(${flag})
    elseif(flag MATCHES "^-Wl,-z,")
      add_link_options(${flag})
    endif()
  endforeach()
endforeach()
