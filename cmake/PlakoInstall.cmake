# cmake --install: the headers under include/plako (our Win32 subset never lands as a bare
# windows.h in a system folder), the libraries, the CMake package, the pkg-config files, and the
# documentation with the examples and the template.
include(CMakePackageConfigHelpers)
set(PLAKO_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/plako)
# share/doc/plako: the reference, the examples and the template laid out as in the source tree, so
# the reference's links to its pictures and to ../examples/ hold there too. plako.h names this
# place; plako.pc (docdir) and the CMake package (PLAKO_DOC_DIR) let a tool find it.
set(PLAKO_DOC_INSTALL_DIR ${CMAKE_INSTALL_DOCDIR})

set(headers ${PROJECT_SOURCE_DIR}/include/plako.h)
if(NOT WIN32)
  list(APPEND headers ${PROJECT_SOURCE_DIR}/platform/include/windows.h
                      ${PROJECT_SOURCE_DIR}/platform/include/headless.h)
endif()
install(FILES ${headers} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/plako)
install(TARGETS ${PLAKO_INSTALL_TARGETS} EXPORT plakoTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/plako)
install(EXPORT plakoTargets NAMESPACE plako:: DESTINATION ${PLAKO_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/plakoConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/plakoConfig.cmake INSTALL_DESTINATION ${PLAKO_CMAKE_DIR}
                              PATH_VARS PLAKO_DOC_INSTALL_DIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/plakoConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/plakoConfig.cmake ${PROJECT_BINARY_DIR}/plakoConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/PlakoProgram.cmake ${PROJECT_SOURCE_DIR}/cmake/PlakoGif.cmake
        DESTINATION ${PLAKO_CMAKE_DIR})
if(NOT WIN32)
  # The .pc files find the prefix from where they lie, so an installed tree can be moved.
  file(RELATIVE_PATH PLAKO_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
  string(REGEX REPLACE "/$" "" PLAKO_PC_TO_PREFIX "${PLAKO_PC_TO_PREFIX}")
  foreach(pc plako plako-replay)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/${pc}.pc.in ${PROJECT_BINARY_DIR}/${pc}.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${pc}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  endforeach()
endif()
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${PLAKO_DOC_INSTALL_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/API.md ${PROJECT_SOURCE_DIR}/docs/runner.md
              ${PROJECT_SOURCE_DIR}/docs/grading.md ${PROJECT_SOURCE_DIR}/docs/canvas.png
              ${PROJECT_SOURCE_DIR}/docs/shapes.png ${PROJECT_SOURCE_DIR}/docs/colours.png
              ${PROJECT_SOURCE_DIR}/docs/overlay.png
        DESTINATION ${PLAKO_DOC_INSTALL_DIR}/docs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/pictures/ DESTINATION ${PLAKO_DOC_INSTALL_DIR}/docs/pictures
        FILES_MATCHING PATTERN "*.c" PATTERN "*.scr")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/examples/ DESTINATION ${PLAKO_DOC_INSTALL_DIR}/docs/examples
        FILES_MATCHING PATTERN "*.png")
# The grading guide's pictures of a class page and a student page.
if(EXISTS ${PROJECT_SOURCE_DIR}/docs/grading)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/grading/ DESTINATION ${PLAKO_DOC_INSTALL_DIR}/docs/grading
          FILES_MATCHING PATTERN "*.png")
endif()
# The examples' sources, scripts and their page; their CMakeLists.txt belongs to this build (it
# reaches into tests/), so a student copies an example into template/ to build it.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${PLAKO_DOC_INSTALL_DIR}/examples
        FILES_MATCHING PATTERN "*.c" PATTERN "*.scr" PATTERN "README.md")
install(FILES ${PROJECT_SOURCE_DIR}/template/CMakeLists.txt ${PROJECT_SOURCE_DIR}/template/main.c
              ${PROJECT_SOURCE_DIR}/template/demo.scr
        DESTINATION ${PLAKO_DOC_INSTALL_DIR}/template)
# plako-grade, and the package's source tarball its bundles build from.
if(TARGET plako-grade)
  install(TARGETS plako-grade RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/plako-source.tar.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/plako)
endif()
