# cmake --install: the libraries, their public headers and a package configuration,
# so that a host finds the library with find_package(VMBGrid).
include(CMakePackageConfigHelpers)
include(GNUInstallDirs)

set(VMBGRID_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/vmbgrid)
set(VMBGRID_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/VMBGrid)

# The headers reachable from the given ones through #include "..." (paths from the
# source root), so that helpers of the implementation stay out of the package.
function(vmbgrid_header_closure out)
  set(pending ${ARGN})
  set(done "")
  while(pending)
    list(POP_FRONT pending h)
    if(h IN_LIST done OR NOT EXISTS ${PROJECT_SOURCE_DIR}/${h})
      continue()
    endif()
    list(APPEND done ${h})
    file(STRINGS ${PROJECT_SOURCE_DIR}/${h} _lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
    foreach(_l ${_lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" _inc "${_l}")
      list(APPEND pending ${_inc})
    endforeach()
  endwhile()
  set(${out} ${done} PARENT_SCOPE)
endfunction()

# Exported name of each installed target (VMBGrid::<name>); the static libraries the
# public ones link go along.
set(_exports vmbgrid_host:host vmbgrid:vmbgrid vmbgrid_data:data vmbgrid_sqlite:sqlite
             vmbgrid_adapter_common:common vmbgrid_headless:headless vmbgrid_qt:qt
             vmbgrid_postgres:postgres)
set(_targets "")
foreach(_e ${_exports})
  string(REPLACE ":" ";" _parts ${_e})
  list(GET _parts 0 _t)
  list(GET _parts 1 _name)
  if(NOT TARGET ${_t})
    continue()
  endif()
  set_target_properties(${_t} PROPERTIES EXPORT_NAME ${_name})
  set_property(TARGET ${_t} PROPERTY INTERFACE_INCLUDE_DIRECTORIES
               $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
               $<INSTALL_INTERFACE:${VMBGRID_INSTALL_INCLUDEDIR}>)
  list(APPEND _targets ${_t})
endforeach()

# Public: the contracts, the library's own folders, and the entry headers of the
# data-access layer and the adapters.
set(_entries data/provider.h adapters/sqlite/sqlite_provider.h adapters/headless/headless.h)
foreach(_dir host core model grid search layout queries menus output)
  file(GLOB _h RELATIVE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/${_dir}/*.h)
  list(APPEND _entries ${_h})
endforeach()
if(TARGET vmbgrid_qt)
  file(GLOB _h RELATIVE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/adapters/qt/*.h)
  list(APPEND _entries ${_h})
endif()
if(TARGET vmbgrid_postgres)
  list(APPEND _entries adapters/postgres/postgres_provider.h)
endif()
vmbgrid_header_closure(_public ${_entries})
foreach(_h ${_public})
  get_filename_component(_d ${_h} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${_h} DESTINATION ${VMBGRID_INSTALL_INCLUDEDIR}/${_d})
endforeach()

install(TARGETS ${_targets} EXPORT VMBGridTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(EXPORT VMBGridTargets NAMESPACE VMBGrid:: DESTINATION ${VMBGRID_INSTALL_CMAKEDIR})

set(VMBGRID_WITH_QT OFF)
if(TARGET vmbgrid_qt)
  set(VMBGRID_WITH_QT ON)
endif()
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VMBGridConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/VMBGridConfig.cmake
                              INSTALL_DESTINATION ${VMBGRID_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VMBGridConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VMBGridConfig.cmake
              ${PROJECT_BINARY_DIR}/VMBGridConfigVersion.cmake
        DESTINATION ${VMBGRID_INSTALL_CMAKEDIR})
