# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) once it has installed the package's
# files into its staging folder, before dpkg-shlibdeps reads them:
# - the executables' search path becomes "$ORIGIN/..", the package's library
#   folder beside their own (the build tree's "$ORIGIN/../lib/virn" would need a
#   lib/virn/lib/virn folder);
# - every binary is stripped as Debian's dh_strip does: no symbols, no .comment
#   and .note sections (libraries keep what dynamic linking needs).

set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr")
file(RELATIVE_PATH to_libraries "${root}/${CPACK_VIRN_BINDIR}" "${root}/${CPACK_VIRN_LIBDIR}")
string(REGEX REPLACE "/$" "" to_libraries "${to_libraries}")
file(GLOB programs LIST_DIRECTORIES false "${root}/${CPACK_VIRN_BINDIR}/*")
file(GLOB libraries LIST_DIRECTORIES false "${root}/${CPACK_VIRN_LIBDIR}/*.so")

function(virn_strip file)
  execute_process(COMMAND "${CPACK_VIRN_STRIP}" --remove-section=.comment --remove-section=.note ${ARGN} "${file}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "strip ${file} failed (${status})")
  endif()
endfunction()

foreach(program IN LISTS programs)
  if(IS_SYMLINK "${program}" OR IS_DIRECTORY "${program}")
    continue()
  endif()
  file(RPATH_SET FILE "${program}" NEW_RPATH "$ORIGIN/${to_libraries}")
  virn_strip("${program}")
endforeach()
foreach(library IN LISTS libraries)
  virn_strip("${library}" --strip-unneeded)
endforeach()
