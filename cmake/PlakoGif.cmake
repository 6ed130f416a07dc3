# GIF::GIF, giflib for the runner's --gif. It has no pkg-config file: its header and library are
# looked for by name. A project that found it already (find_package(GIF)) keeps its own target.
if(NOT TARGET GIF::GIF)
  find_path(PLAKO_GIF_INCLUDE_DIR gif_lib.h)
  find_library(PLAKO_GIF_LIBRARY gif)
  if(NOT PLAKO_GIF_INCLUDE_DIR OR NOT PLAKO_GIF_LIBRARY)
    message(FATAL_ERROR "giflib (gif_lib.h and libgif) is missing: install libgif-dev (scripts/deps.sh)")
  endif()
  add_library(GIF::GIF UNKNOWN IMPORTED)
  set_target_properties(GIF::GIF PROPERTIES IMPORTED_LOCATION "${PLAKO_GIF_LIBRARY}"
                                            INTERFACE_INCLUDE_DIRECTORIES "${PLAKO_GIF_INCLUDE_DIR}")
endif()
