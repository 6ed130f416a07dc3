# plako_add_program(NAME SOURCES...)
#
# Makes the program NAME from the given C or C++ sources, which define WinMain and use plako.h:
# - NAME: the program for the desktop (on Windows a GUI executable against the system's <windows.h>);
# - NAME-replay (not on Windows): the same program on the headless host, which plays PLAKO.SCR
#   through the package's own playback and writes PNG frames; NAME-replay --help says how.
# - built for the web (emcmake): the page NAME.html, one file that holds the program and its fonts
#   and runs from a web server or opened from disk; no runner.
# The sources are compiled with the compiler's own defaults: no warning flags of PLAKO's.
set(PLAKO_WEB_FONTS /usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf
                    /usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf
                    /usr/share/wine/fonts/coure.fon
    CACHE STRING "Font files each web page brings (the ones the desktop resolves Arial, fixed pitch and ANSI_FIXED_FONT to)")
function(plako_add_program name)
  if(NOT ARGN)
    message(FATAL_ERROR "plako_add_program(${name}): no source files given")
  endif()
  if(EMSCRIPTEN)
    # Where the page half of the host lies, seen from this file (also from a program's own project).
    set(web_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../web)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE plako::plako)
    # The fonts are embedded, not fetched: a page opened from disk (file://) may fetch nothing.
    set(fonts "")
    foreach(font ${PLAKO_WEB_FONTS})
      get_filename_component(font_name ${font} NAME)
      list(APPEND fonts "SHELL:--embed-file ${font}@/fonts/${font_name}")
    endforeach()
    # The page is one file, NAME.html, with the program's code and the WebAssembly inside it
    # (SINGLE_FILE, the page as the shell): it opens with a double click and is handed in alone.
    set(PLAKO_NAME ${name})
    set(shell ${CMAKE_CURRENT_BINARY_DIR}/${name}.page.html)
    configure_file(${web_dir}/page.html.in ${shell} @ONLY)
    # The wait sleeps through Asyncify, the page's half of the host comes in as a JS library. As on
    # Windows, no object lives in the first 64 KiB, where a class name's pointer would read as an atom.
    # The page asks the program for the canvas in words (replay_describe) into memory of its own.
    target_link_options(${name} PRIVATE -sGLOBAL_BASE=65536 -sASYNCIFY -sASYNCIFY_STACK_SIZE=65536
                        -sASYNCIFY_IMPORTS=[plako_web_wait] -sALLOW_MEMORY_GROWTH
                        -sEXPORTED_FUNCTIONS=[_main,_replay_describe,_malloc,_free]
                        -sENVIRONMENT=web -sFORCE_FILESYSTEM "SHELL:--js-library ${web_dir}/plako.js"
                        -sSINGLE_FILE -sMINIFY_HTML=0 "SHELL:--shell-file ${shell}" ${fonts})
    set_target_properties(${name} PROPERTIES SUFFIX ".html" LINK_DEPENDS "${web_dir}/plako.js;${shell}")
    return()
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
