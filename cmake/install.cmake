# What `cmake --install` and the packages built from it hold: the shared
# library (the DLL and its import library on Windows), the public headers,
# the tool, portkit.pc and the CMake package. The static archive and the
# tests stay in the build tree.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS portkit EXPORT portkit-targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/portkit DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  FILES_MATCHING PATTERN "*.h")
if(PORTKIT_BUILD_TOOLS)
  install(TARGETS portkit_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# Written by other hands and possibly not there yet: installed when present.
if(EXISTS ${PROJECT_SOURCE_DIR}/doc/portkit.1)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/portkit.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
if(EXISTS ${PROJECT_SOURCE_DIR}/doc/bash-completion/portkit)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/bash-completion/portkit
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
endif()

set(portkit_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/portkit)
install(EXPORT portkit-targets NAMESPACE portkit:: FILE portkit-targets.cmake DESTINATION ${portkit_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/portkit-config.cmake.in
  ${PROJECT_BINARY_DIR}/portkit-config.cmake INSTALL_DESTINATION ${portkit_cmake_dir})
# The soname changes with the major version, and so does compatibility.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/portkit-config-version.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/portkit-config.cmake ${PROJECT_BINARY_DIR}/portkit-config-version.cmake
  DESTINATION ${portkit_cmake_dir})

# portkit.pc is written when installing, so that `cmake --install --prefix`
# gets a prefix line naming where the files really went.
set(portkit_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(PORTKIT_PC_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(PORTKIT_PC_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
install(CODE "
  set(PORTKIT_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(PORTKIT_PC_LIBDIR [[${PORTKIT_PC_LIBDIR}]])
  set(PORTKIT_PC_INCLUDEDIR [[${PORTKIT_PC_INCLUDEDIR}]])
  set(PROJECT_VERSION ${PROJECT_VERSION})
  configure_file([[${PROJECT_SOURCE_DIR}/cmake/portkit.pc.in]] [[${PROJECT_BINARY_DIR}/pkgconfig/portkit.pc]] @ONLY)
  file(INSTALL DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${portkit_pc_dir}\" TYPE FILE
       FILES [[${PROJECT_BINARY_DIR}/pkgconfig/portkit.pc]])
")
