# Fails when a dialogs source includes a console header: the dialogs reach the application
# object and the main dialog only through the hooks the program installs.
file(GLOB _files ${ROOT}/dialogs/*.cpp ${ROOT}/dialogs/*.h)
set(_bad "")
foreach(_f ${_files})
  file(STRINGS ${_f} _includes REGEX "^[ \t]*#[ \t]*include[ \t]+[\"<]console/")
  if(_includes)
    list(APPEND _bad ${_f})
  endif()
endforeach()
if(_bad)
  message(FATAL_ERROR "dialogs sources that include console headers: ${_bad}")
endif()
