# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the manual page of orvek-galaxy from its own --help, so that the two never disagree.
#   cmake -DTOOL=<orvek-galaxy> -DOUT=<orvek-galaxy.1> -DVERSION=<version> -P help_to_man.cmake
execute_process(COMMAND ${TOOL} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${TOOL} --help failed: ${status}")
endif()
# roff reads a backslash as an escape and a leading dot or quote as a request.
string(REPLACE "\\" "\\e" help "${help}")
string(REPLACE "-" "\\-" help "${help}")
string(REPLACE ";" "\\;" help "${help}")
string(REPLACE "\n" ";" lines "${help}")

set(page ".TH ORVEK-GALAXY 1 \"\" \"orvek-galaxy ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\norvek-galaxy \\- generate, edit, check and save Tessarine (Orvek) campaigns\n")
string(APPEND page ".SH SYNOPSIS\n.B orvek-galaxy\n[\\fIoptions\\fR]\n.SH DESCRIPTION\n")
set(section description)
foreach(line IN LISTS lines)
  if(line MATCHES "^Usage:" OR line STREQUAL "")
    continue()
  elseif(line STREQUAL "Options:")
    string(APPEND page ".SH OPTIONS\n")
    set(section options)
  elseif(section STREQUAL "options" AND line MATCHES "^  (\\\\-[^ ].*[^ ])  +(.*)$")
    string(APPEND page ".TP\n.B ${CMAKE_MATCH_1}\n${CMAKE_MATCH_2}\n")
  elseif(section STREQUAL "options")
    string(STRIP "${line}" continued)
    string(APPEND page "${continued}\n")
  else()
    string(APPEND page "${line}\n")
  endif()
endforeach()
string(APPEND page ".SH EXIT STATUS\n0 success, 1 an error (its message on standard error), 2 a usage \
error or a refused edit, 3 the campaign exists and \\-\\-overwrite was not given, 4 \\-\\-max\\-attempts \
was reached without a connected galaxy, 5 \\-\\-check or \\-\\-check\\-all found a problem, 130 \
interrupted (nothing written).\n")
string(APPEND page ".SH SEE ALSO\norvek\\-galaxy\\-generator, the window of the same program.\n")
file(WRITE ${OUT} "${page}")
