# Common compile settings for every target of the project.
function(vmbgrid_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow=local -Wnon-virtual-dtor)
  # GCC 12 at -O3 reports std::variant<..., std::string> members as maybe-uninitialized
  # and std::string concatenations as overlapping copies where neither happens (known
  # false positives of that release); the sanitizer build checks both for real.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized -Wno-restrict)
  endif()
  if(VMBGRID_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

if(VMBGRID_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Library folders add their sources to this list; they are compiled into one target.
set(VMBGRID_LIBRARY_SOURCES "" CACHE INTERNAL "")
function(vmbgrid_library_sources)
  set(list ${VMBGRID_LIBRARY_SOURCES})
  foreach(src ${ARGN})
    list(APPEND list ${CMAKE_CURRENT_SOURCE_DIR}/${src})
  endforeach()
  set(VMBGRID_LIBRARY_SOURCES ${list} CACHE INTERNAL "")
endfunction()

# A static library from the given sources; a folder still without sources gets an
# empty translation unit so that the tree configures while it grows.
function(vmbgrid_add_library name)
  set(srcs ${ARGN})
  if(NOT srcs)
    set(empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(WRITE ${empty} "// no sources yet\n")
    set(srcs ${empty})
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  vmbgrid_warnings(${name})
endfunction()
