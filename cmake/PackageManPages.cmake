# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) after it has installed the package's
# files into its staging folder: the manual page of virn-sweep made from the
# staged program's own --help, which "says everything" and changes with the
# program, so the page never goes stale. Done here and not in the build, so the
# sanitizer trees never run the program just to build.

set(root "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
set(program "${root}/usr/${CPACK_VIRN_BINDIR}/virn-sweep")
set(page_dir "${root}/usr/share/man/man1")
if(NOT EXISTS "${program}" OR EXISTS "${page_dir}/virn-sweep.1.gz")
  return()
endif()

execute_process(COMMAND "${program}" --help
                OUTPUT_VARIABLE help RESULT_VARIABLE status
                ENCODING UTF-8)
if(NOT status EQUAL 0 OR help STREQUAL "")
  message(FATAL_ERROR "virn-sweep --help failed (${status}): no manual page")
endif()

# Drop the usage line, which names the staging path; the synopsis says it.
string(REGEX REPLACE "^Usage:[^\n]*\n" "" help "${help}")
# roff: a backslash is \e, a line may not start with "." or "'", and "-" in
# options is a real minus.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")

string(TIMESTAMP month "%B %Y" UTC)
set(page ".TH VIRN-SWEEP 1 \"${month}\" \"virn ${CPACK_PACKAGE_VERSION}\" \"User Commands\"
.SH NAME
virn-sweep \\- sweeps of the VIRN instrument from the command line, as CSV
.SH SYNOPSIS
.B virn-sweep
.RI [ options ]
.SH DESCRIPTION
.nf
${help}.fi
.SH SEE ALSO
.BR virn (1),
.BR virn-demo (1)
")
file(MAKE_DIRECTORY "${page_dir}")
file(WRITE "${page_dir}/virn-sweep.1" "${page}")
execute_process(COMMAND gzip -9nf "${page_dir}/virn-sweep.1" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip of the virn-sweep manual page failed")
endif()
