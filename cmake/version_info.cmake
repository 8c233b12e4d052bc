# SPDX-License-Identifier: GPL-3.0-or-later
# Writes the header that names the program's version and the commit it is built from, at every
# build, and only when its text changes, so that nothing is rebuilt for nothing. A tree with
# uncommitted changes says so ("+changes"); one without git (a source archive) says "unknown".
#   cmake -DSOURCE_DIR=<repo> -DOUT=<header> -DVERSION=<x.y> -P version_info.cmake
set(commit "unknown")
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                  OUTPUT_VARIABLE head OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE status ERROR_QUIET)
  if(status EQUAL 0 AND head)
    set(commit "${head}")
    execute_process(COMMAND ${GIT_EXECUTABLE} -C ${SOURCE_DIR} diff --quiet HEAD --
                    RESULT_VARIABLE dirty ERROR_QUIET)
    if(NOT dirty EQUAL 0)
      string(APPEND commit "+changes")
    endif()
  endif()
endif()
set(text "// Made by cmake/version_info.cmake at every build.\n#pragma once\n#define ORVEK_VERSION \"${VERSION}\"\n#define ORVEK_COMMIT \"${commit}\"\n")
set(old "")
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUT}" "${text}")
endif()
