# plako_add_program(NAME SOURCES...)
#
# Makes the program NAME from the given C or C++ sources, which define WinMain and use plako.h:
# - NAME: the program for the desktop (on Windows a GUI executable against the system's <windows.h>);
# - NAME-replay (not on Windows): the same program on the headless host, which plays PLAKO.SCR
#   through the package's own playback and writes PNG frames; NAME-replay --help says how.
# The sources are compiled with the compiler's own defaults: no warning flags of PLAKO's.
function(plako_add_program name)
  if(NOT ARGN)
    message(FATAL_ERROR "plako_add_program(${name}): no source files given")
  endif()
  if(WIN32)
    add_executable(${name} WIN32 ${ARGN})
    target_link_libraries(${name} PRIVATE plako::plako)
    if(MINGW)
      # One file to hand out: no MinGW run-time DLLs beside it.
      target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
    endif()
    return()
  endif()
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE plako::plako)
  add_executable(${name}-replay ${ARGN})
  target_link_libraries(${name}-replay PRIVATE plako::replay)
  # The libraries are C++: a C program links with the C driver and the C++ run-time, which
  # plako::plako names for a C link.
endfunction()
