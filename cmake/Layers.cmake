# The build's three kinds of target: a layer library, a program and a
# test program.  Each library's sources are listed by hand, one list per
# folder (its sources.cmake), so the build holds exactly what is listed;
# each dependency must be a library that is already defined.

# kest_sources(FILE...): inside a folder's sources.cmake, the .cpp files
# of that folder (names relative to it).
macro(kest_sources)
  foreach(_kest_file ${ARGN})
    list(APPEND _kest_layer_srcs ${CMAKE_CURRENT_LIST_DIR}/${_kest_file})
  endforeach()
endmacro()

# kest_not_in_library(FILE...): inside a sources.cmake, .cpp files of the
# folder that the library leaves out because they are built elsewhere.
macro(kest_not_in_library)
  foreach(_kest_file ${ARGN})
    list(APPEND _kest_layer_elsewhere ${CMAKE_CURRENT_LIST_DIR}/${_kest_file})
  endforeach()
endmacro()

# The libraries named in `deps`, each of which must exist already: a
# misspelt dependency, or one defined further down, stops the configure
# step instead of being left out without a word.
function(kest_check_deps who)
  foreach(dep ${ARGN})
    if(NOT TARGET ${dep})
      message(FATAL_ERROR "${who}: unknown dependency '${dep}' (not a library defined before it)")
    endif()
  endforeach()
endfunction()

# kest_layer(NAME FOLDERS dir... [DEPS lib...]): one static library of the
# sources that each folder's sources.cmake lists, linked to its
# dependencies.  A .cpp file in one of the folders that no list names
# stops the configure step too, so that a new file is not silently left
# out of the build.
#
# To add a source file: name it in its folder's sources.cmake.
# To add a folder to a library: add it after FOLDERS and give it a
# sources.cmake holding one kest_sources(...) call.
function(kest_layer name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FOLDERS;DEPS")
  set(_kest_layer_srcs)
  set(_kest_layer_elsewhere)
  foreach(dir ${arg_FOLDERS})
    set(list_file ${CMAKE_SOURCE_DIR}/${dir}/sources.cmake)
    if(NOT EXISTS ${list_file})
      message(FATAL_ERROR "library ${name}: ${dir}/sources.cmake, the list of the folder's sources, is missing")
    endif()
    include(${list_file})
    file(GLOB present ${CMAKE_SOURCE_DIR}/${dir}/*.cpp)
    foreach(f ${present})
      if(NOT f IN_LIST _kest_layer_srcs AND NOT f IN_LIST _kest_layer_elsewhere)
        file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${f})
        message(FATAL_ERROR "library ${name}: ${rel} is not listed in ${dir}/sources.cmake")
      endif()
    endforeach()
  endforeach()
  if(NOT _kest_layer_srcs)
    message(FATAL_ERROR "library ${name}: no sources listed")
  endif()
  kest_check_deps("library ${name}" ${arg_DEPS})
  add_library(${name} STATIC ${_kest_layer_srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${arg_DEPS})
endfunction()

# kest_program(NAME DIR out SOURCES file... LIBS lib...): a program,
# built into <build>/<out> (bin for kestrand and tallowmere, tools for the
# stand-in netlist tools).  Sources are relative to the calling folder.
# Every program carries the sanitizer defaults of runtime/asan_options.cpp.
function(kest_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "DIR" "SOURCES;LIBS")
  kest_check_deps("program ${name}" ${arg_LIBS})
  add_executable(${name} ${arg_SOURCES} ${CMAKE_SOURCE_DIR}/runtime/asan_options.cpp)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${arg_LIBS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/${arg_DIR})
  # The C++ runtime linked in: each of the flow's processes starts without
  # resolving it and carries only the parts it uses (about 1.3 MB less
  # resident per process).  Sanitizer and fuzz builds keep the shared one
  # their runtimes expect.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT KEST_SANITIZE AND NOT KEST_FUZZ)
    target_link_options(${name} PRIVATE -static-libstdc++ -static-libgcc)
  endif()
endfunction()

# kest_tests(DIR LIBS... [CHECKER_CASES filter]): one GoogleTest program
# for the tests in tests/DIR (every .cpp file there is a test), registered
# with CTest case by case.  The cases that CHECKER_CASES names (a
# --gtest_filter pattern list) carry the CTest label "checker": they hand
# what they wrote to the outside checkers (simulators, yosys, OpenOCD,
# GHDL), and CI's sanitizer build leaves them out (ctest -LE checker) after
# its first build ran them.  A folder without
# tests yet makes no program.  Every test program is a dependency of the
# target test_programs.
function(kest_tests dir)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "CHECKER_CASES" "")
  set(libs ${arg_UNPARSED_ARGUMENTS})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  string(REPLACE "/" "_" name "test_${dir}")
  kest_check_deps("tests/${dir}" ${libs})
  add_executable(${name} ${srcs} ${CMAKE_SOURCE_DIR}/runtime/asan_options.cpp)
  target_link_libraries(${name} PRIVATE ${libs} testsupport GTest::gtest GTest::gtest_main)
  # The tests' own code is compiled without optimisation and with
  # GoogleTest's header read once per program, in about half the time (the
  # tests run as fast: their time goes into the libraries and programs
  # under test, which keep their optimisation).
  target_compile_options(${name} PRIVATE -O0)
  target_precompile_headers(${name} PRIVATE <gtest/gtest.h>)
  set(env ENVIRONMENT "KEST_BINARY_DIR=${CMAKE_BINARY_DIR}")
  if(arg_CHECKER_CASES)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES TEST_FILTER "${arg_CHECKER_CASES}"
      TEST_LIST checker_cases PROPERTIES ${env} LABELS checker)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES TEST_FILTER "-${arg_CHECKER_CASES}"
      PROPERTIES ${env})
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES PROPERTIES ${env})
  endif()
  set_property(GLOBAL APPEND PROPERTY KEST_TEST_PROGRAMS ${name})
endfunction()
