# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when a library includes what it may not use: core is standard C++ only, gamedata may use
# core, campaign may use core and gamedata, archive those three (and libzip), and none of them
# knows Qt or the window. An include is any line whose first word is "#include", blanks allowed
# around the "#", and none may climb out of its folder with "..".
#   cmake -DSOURCE_DIR=<src> -P check_layers.cmake
set(forbidden_core "gamedata/;campaign/;image/;ui/;<Q;..")
set(forbidden_gamedata "campaign/;image/;ui/;<Q;..")
set(forbidden_campaign "image/;archive/;ui/;<Q;..")
set(forbidden_archive "image/;ui/;<Q;..")
set(failures "")
foreach(library core gamedata campaign archive)
  file(GLOB sources "${SOURCE_DIR}/${library}/*.h" "${SOURCE_DIR}/${library}/*.cpp")
  foreach(source ${sources})
    file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${includes})
      foreach(bad ${forbidden_${library}})
        string(FIND "${line}" "${bad}" at)
        if(NOT at EQUAL -1)
          list(APPEND failures "${source}: ${line}")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(failures)
  list(JOIN failures "\n  " shown)
  message(FATAL_ERROR "A library includes what its layer may not use:\n  ${shown}")
endif()
