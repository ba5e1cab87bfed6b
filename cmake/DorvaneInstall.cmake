# Install rules: the headers, the library (on Windows the DLL into bin/ and its import library
# into lib/), a CMake package (find_package(dorvane) gives dorvane::dorvane) and a pkg-config
# file. Every path below is relative to the install prefix, so `cmake --install --prefix DIR`
# yields a tree that can be used from DIR, or moved. DORVANE_INSTALL=OFF (for a parent project
# that builds the library as a subdirectory) leaves them out.
if(NOT DORVANE_INSTALL)
  return()
endif()

include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(DORVANE_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/dorvane"
    CACHE STRING "Where the CMake package files go, relative to the install prefix")
set(DORVANE_INSTALL_PKGCONFIGDIR "${CMAKE_INSTALL_LIBDIR}/pkgconfig"
    CACHE STRING "Where dorvane.pc goes, relative to the install prefix")

install(TARGETS dorvane EXPORT dorvaneTargets
  RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT runtime
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}" COMPONENT development)
# The exported include directory is the target's INSTALL_INTERFACE (include/), where the headers go.

install(FILES include/dorvane.h include/dorvane.hpp
  DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}" COMPONENT development)

install(EXPORT dorvaneTargets
  NAMESPACE dorvane::
  DESTINATION "${DORVANE_INSTALL_CMAKEDIR}"
  COMPONENT development)

configure_package_config_file(cmake/dorvaneConfig.cmake.in
  "${PROJECT_BINARY_DIR}/dorvaneConfig.cmake"
  INSTALL_DESTINATION "${DORVANE_INSTALL_CMAKEDIR}")
# The major version is also the shared library's SOVERSION. The pointer size is checked too, so
# that a 64-bit consumer does not pick up the 32-bit Windows package.
write_basic_package_version_file("${PROJECT_BINARY_DIR}/dorvaneConfigVersion.cmake"
  VERSION "${PROJECT_VERSION}"
  COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/dorvaneConfig.cmake" "${PROJECT_BINARY_DIR}/dorvaneConfigVersion.cmake"
  DESTINATION "${DORVANE_INSTALL_CMAKEDIR}"
  COMPONENT development)

# pkg-config: the prefix is found from the .pc file's own place (${pcfiledir}) whenever the
# directories are relative, so the file stays right under `cmake --install --prefix`.
if(IS_ABSOLUTE "${DORVANE_INSTALL_PKGCONFIGDIR}")
  set(DORVANE_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
else()
  file(RELATIVE_PATH _dorvane_up "/prefix/${DORVANE_INSTALL_PKGCONFIGDIR}" "/prefix")
  string(REGEX REPLACE "/$" "" _dorvane_up "${_dorvane_up}")
  set(DORVANE_PC_PREFIX "\${pcfiledir}/${_dorvane_up}")
endif()
foreach(_dorvane_dir IN ITEMS LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${_dorvane_dir}}")
    set(DORVANE_PC_${_dorvane_dir} "${CMAKE_INSTALL_${_dorvane_dir}}")
  else()
    set(DORVANE_PC_${_dorvane_dir} "\${prefix}/${CMAKE_INSTALL_${_dorvane_dir}}")
  endif()
endforeach()
configure_file(cmake/dorvane.pc.in "${PROJECT_BINARY_DIR}/dorvane.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/dorvane.pc"
  DESTINATION "${DORVANE_INSTALL_PKGCONFIGDIR}"
  COMPONENT development)
