# cmake -DROOT=<repository> -P CheckLayering.cmake
#
# Fails when a source folder includes a folder above it. Every folder of the
# product is listed with the folders it may include besides itself (the
# layers, lowest first); a file in an unlisted folder, or an include of an
# unlisted folder, fails too, so a new folder has to take its place here.
# Quoted includes are read as repository paths ("gui/IControl.h"); a name
# without a folder is the file's own folder. The Apple interfaces (our
# substitute under platform/) and Xlib are checked by their header names.
cmake_minimum_required(VERSION 3.18)

set(LAYERS
  "engine:"
  "framework:"
  "lice:"
  "platform:"
  "gui:framework lice"
  "gui/viewhost:gui framework lice"
  "gui/x11:gui/viewhost gui framework lice"
  "host/au:framework"
  "host/au/view:host/au gui/viewhost gui framework"
  "host/lv2:framework"
  "host/lv2/ui:host/lv2 gui/x11 gui/viewhost gui framework"
  "editor/look:lice"
  "editor:editor/look gui framework lice"
  "plugin:editor editor/look host/lv2/ui host/lv2 host/au/view host/au gui/x11 gui/viewhost gui framework lice engine"
  "tools/auhost:"
  # The artwork generator draws from the editor's layout and palette, not its controls.
  "tools/artwork:editor/look lice"
  "tools/corvane:tools/auhost plugin editor editor/look host/au/view gui/x11 gui/viewhost gui lice framework engine")

# Who may include Apple's interface headers, and who Xlib's.
set(APPLE_USERS platform host/au host/au/view plugin tools/auhost tools/corvane)
set(APPLE_HEADERS "AudioUnit/|AudioToolbox/|CoreAudio/|CoreFoundation/|CoreServices/|Carbon/|MacTypes\\.h")
set(XLIB_USERS gui/x11)
string(REPLACE ";" ", " appleUsersText "${APPLE_USERS}")

set(folders "")
foreach(entry ${LAYERS})
  string(REGEX REPLACE ":.*" "" folder "${entry}")
  string(REGEX REPLACE "^[^:]*:" "" allowed "${entry}")
  separate_arguments(allowed)
  list(APPEND folders ${folder})
  set(ALLOWED_${folder} ${folder} ${allowed})
  string(REPLACE ";" ", " ALLOWED_TEXT_${folder} "${ALLOWED_${folder}}")
endforeach()

# The listed folder a repository path lies in (the longest match), or "".
function(owning_folder path out)
  set(best "")
  foreach(folder ${folders})
    string(LENGTH "${folder}" n)
    string(LENGTH "${best}" bestLength)
    string(FIND "${path}" "${folder}/" at)
    if(at EQUAL 0 AND n GREATER bestLength)
      set(best ${folder})
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

set(violations "")
set(checked 0)
foreach(top engine framework lice platform gui host editor plugin tools)
  file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${top}/*.h ${ROOT}/${top}/*.cpp
       ${ROOT}/${top}/*.c ${ROOT}/${top}/*.inc)
  foreach(file ${sources})
    owning_folder("${file}" folder)
    if(folder STREQUAL "")
      list(APPEND violations "${file}: its folder has no place in the layers (cmake/CheckLayering.cmake)")
      continue()
    endif()
    math(EXPR checked "${checked} + 1")
    file(STRINGS ${ROOT}/${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line ${includes})
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]+)\"")
        set(target "${CMAKE_MATCH_1}")
        if(NOT target MATCHES "/")
          continue()  # a file of the same folder
        endif()
        owning_folder("${target}" targetFolder)
        if(targetFolder STREQUAL "")
          list(APPEND violations "${file}: includes ${target}, outside every layer")
        elseif(NOT targetFolder IN_LIST ALLOWED_${folder})
          list(APPEND violations "${file}: includes ${target} (${folder} may include only ${ALLOWED_TEXT_${folder}})")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<(${APPLE_HEADERS})")
        if(NOT folder IN_LIST APPLE_USERS)
          list(APPEND violations "${file}: includes an Apple interface header (${line}): only ${appleUsersText} may")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<X11/")
        if(NOT folder IN_LIST XLIB_USERS)
          list(APPEND violations "${file}: includes Xlib (${line}): only gui/x11 may")
        endif()
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(LENGTH violations n)
  string(REPLACE ";" "\n  " text "${violations}")
  message(FATAL_ERROR "${n} include(s) break the layering:\n  ${text}")
endif()
message(STATUS "layering holds: ${checked} files checked")
