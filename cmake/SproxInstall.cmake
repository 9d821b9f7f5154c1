# What `cmake --install` puts where (GNUInstallDirs), and the packages CPack makes
# of it: the library, its header, the pkg-config module sproxrt and the CMake
# package Sprox (development), the tools and the demo. Components: runtime,
# development, tools. Linux: `cpack -G DEB` makes one Debian package of each;
# Windows: `cpack` makes one zip of them all.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

if(NOT WIN32)
  # libsproxrt.so.1 (the SONAME) -> libsproxrt.so.1.0.0. The version script keeps
  # every symbol but the SX_ functions out of the dynamic symbol table.
  set(SPROX_VERSION_SCRIPT ${PROJECT_SOURCE_DIR}/sprox/sproxrt.map)
  set_target_properties(sproxrt PROPERTIES
    VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR} LINK_DEPENDS ${SPROX_VERSION_SCRIPT})
  target_link_options(sproxrt PRIVATE -Wl,--version-script=${SPROX_VERSION_SCRIPT})
endif()
target_include_directories(sproxrt INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)

install(TARGETS sproxrt EXPORT SproxTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/include/sprox.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

# The tools; dartool where libpng was found, the demo where it is built.
set(SPROX_TOOLS mx4pack mx4list)
foreach(tool dartool sprox_demo)
  if(TARGET ${tool})
    list(APPEND SPROX_TOOLS ${tool})
  endif()
endforeach()
if(TARGET sprox_demo)
  # The demo finds the library beside it in any prefix.
  set_target_properties(sprox_demo PROPERTIES INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
endif()
install(TARGETS ${SPROX_TOOLS} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)

# find_package(Sprox): Sprox::sproxrt.
set(SPROX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Sprox)
install(EXPORT SproxTargets NAMESPACE Sprox:: DESTINATION ${SPROX_CMAKE_DIR} COMPONENT development)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/SproxConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_SOURCE_DIR}/cmake/SproxConfig.cmake ${PROJECT_BINARY_DIR}/SproxConfigVersion.cmake
  DESTINATION ${SPROX_CMAKE_DIR} COMPONENT development)

if(NOT WIN32)
  # pkg-config sproxrt, written when it is installed: the prefix is the one of
  # that install (`cmake --install --prefix`, a package's /usr), not this build's.
  set(SPROX_PC_PREFIX "@CMAKE_INSTALL_PREFIX@")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/sproxrt.pc.in ${PROJECT_BINARY_DIR}/sproxrt.pc.in @ONLY)
  install(CODE "configure_file(${PROJECT_BINARY_DIR}/sproxrt.pc.in ${PROJECT_BINARY_DIR}/sproxrt.pc @ONLY)"
    COMPONENT development)
  install(FILES ${PROJECT_BINARY_DIR}/sproxrt.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)
endif()

set(CPACK_PACKAGE_NAME sprox)
set(CPACK_PACKAGE_VENDOR "Sprox")
set(CPACK_PACKAGE_CONTACT "Sprox developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "2D game toolkit: palettised frames, DAR sprites, sound, input")
set(CPACK_COMPONENTS_ALL runtime development tools)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEB_COMPONENT_INSTALL ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libsproxrt1)
  set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "libsdl2-2.0-0, libsdl2-mixer-2.0-0, libstdc++6")
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libsproxrt-dev)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
  set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libsdl2-dev")
  set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME sprox-tools)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_TOOLS_PACKAGE_DEPENDS "libpng16-16, libimagequant0, libsdl2-2.0-0")
endif()
include(CPack)
