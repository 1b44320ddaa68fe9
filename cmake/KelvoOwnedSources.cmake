# A .cpp file in a folder that no target globs is never compiled, and if it holds tests they
# never run, while the build stays green. Configure therefore fails when a .cpp file under one
# of the checked folders belongs to no target.
#
# Targets that an option switches off still own their files: they call
# kelvo_own_sources() for what they would have compiled.

function(kelvo_own_sources)
  set_property(GLOBAL APPEND PROPERTY KELVO_OWNED_SOURCES ${ARGN})
endfunction()

function(_kelvo_target_sources dir out)
  set(found)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(sources ${target} SOURCES)
    get_target_property(base ${target} SOURCE_DIR)
    if(NOT sources)
      continue()
    endif()
    foreach(source IN LISTS sources)
      if(source MATCHES "^\\$<")
        continue()
      endif()
      cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY "${base}" NORMALIZE OUTPUT_VARIABLE source)
      list(APPEND found "${source}")
    endforeach()
  endforeach()
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    _kelvo_target_sources("${subdir}" below)
    list(APPEND found ${below})
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(_kelvo_check_owned_sources)
  _kelvo_target_sources("${CMAKE_SOURCE_DIR}" owned)
  get_property(switched_off GLOBAL PROPERTY KELVO_OWNED_SOURCES)
  list(APPEND owned ${switched_off})
  set(orphans)
  foreach(folder IN LISTS ARGN)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/${folder}/*.cpp")
    foreach(file IN LISTS files)
      if(NOT file IN_LIST owned)
        file(RELATIVE_PATH shown "${CMAKE_SOURCE_DIR}" "${file}")
        string(APPEND orphans "\n  ${shown}")
      endif()
    endforeach()
  endforeach()
  if(orphans)
    message(FATAL_ERROR
      "These source files belong to no target and would never be compiled:${orphans}\n"
      "Each folder under src/ becomes a library through kelvo_library() in CMakeLists.txt; "
      "each folder under tests/ joins a test program through kelvo_test() in "
      "tests/CMakeLists.txt. Add the folder to the DIRS of the one it belongs to.")
  endif()
endfunction()

# Runs once the top-level CMakeLists.txt is finished, so every target of every subdirectory
# (tests, benchmarks, fuzzers) has been declared by then.
macro(kelvo_check_owned_sources)
  cmake_language(DEFER DIRECTORY "${CMAKE_SOURCE_DIR}" CALL _kelvo_check_owned_sources ${ARGN})
endmacro()
