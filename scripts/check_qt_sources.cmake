# Fails when a *_qt.cpp file holds a byte outside ASCII: such files are compiled with UTF-8
# literals, so a Korean literal there would not reach the program as code page 949.
file(GLOB_RECURSE _files ${ROOT}/platform/*_qt.cpp ${ROOT}/console/*_qt.cpp ${ROOT}/dialogs/*_qt.cpp
     ${ROOT}/resources/*_qt.cpp ${ROOT}/tests/*_qt.cpp ${ROOT}/bench/*_qt.cpp)
set(_bad "")
foreach(_f ${_files})
  file(STRINGS ${_f} _lines REGEX "[\x80-\xff]")
  if(_lines)
    list(APPEND _bad ${_f})
  endif()
endforeach()
if(_bad)
  message(FATAL_ERROR "non-ASCII text in Qt sources: ${_bad}")
endif()
message(STATUS "${CMAKE_ARGC} Qt sources checked: all ASCII")
