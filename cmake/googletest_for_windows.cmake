# Debian ships GoogleTest built for the host only. For Windows it is built
# here, with the cross toolchain, from Debian's source package.
set(PORTKIT_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources, built for cross builds")
if(NOT EXISTS ${PORTKIT_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${PORTKIT_GOOGLETEST_SOURCE} (Debian package googletest)")
endif()
set(BUILD_GMOCK OFF)
set(INSTALL_GTEST OFF)
# On Windows GoogleTest locks with Win32 primitives; it needs no pthreads.
set(gtest_disable_pthreads ON)
add_subdirectory(${PORTKIT_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
