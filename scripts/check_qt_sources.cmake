# Fails when a *_qt.cpp file holds a byte outside ASCII: such files are compiled with UTF-8
# literals, so a Korean literal there would not reach the program as code page 949.
file(GLOB_RECURSE _files ${ROOT}/platform/*_qt.cpp ${ROOT}/platform/*_qt.h ${ROOT}/console/*_qt.cpp ${ROOT}/dialogs/*_qt.cpp
     ${ROOT}/resources/*_qt.cpp ${ROOT}/tests/*_qt.cpp ${ROOT}/bench/*_qt.cpp)
set(_bad "")
foreach(_f ${_files})
  # Bytes as hex pairs: a pair from 80 to ff is a byte outside ASCII.
  file(READ ${_f} _hex HEX)
  string(REGEX REPLACE "(..)" "\\1 " _bytes "${_hex}")
  if(" ${_bytes}" MATCHES " [89a-f][0-9a-f] ")
    list(APPEND _bad ${_f})
  endif()
endforeach()
if(_bad)
  message(FATAL_ERROR "non-ASCII text in Qt sources: ${_bad}")
endif()
message(STATUS "${CMAKE_ARGC} Qt sources checked: all ASCII")
