# kest_layer(NAME DIRS DEPS...): one static library made of every .cpp file
# in the given folders (a ;-list), linked to the libraries it depends on.
# Libraries of folders that have no sources yet are not created, and the
# dependency list silently skips them, so layers can land one at a time.
function(kest_layer name dirs)
  set(srcs)
  foreach(d ${dirs})
    file(GLOB s CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${d}/*.cpp)
    list(APPEND srcs ${s})
  endforeach()
  if(NOT srcs)
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  foreach(dep ${ARGN})
    if(TARGET ${dep})
      target_link_libraries(${name} PUBLIC ${dep})
    endif()
  endforeach()
endfunction()

# kest_tests(DIR LIBS...): one GoogleTest program for the tests in
# tests/DIR, registered with CTest case by case.
function(kest_tests dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  string(REPLACE "/" "_" name "test_${dir}")
  add_executable(${name} ${srcs} ${CMAKE_SOURCE_DIR}/tests/support/asan_options.cpp)
  set(libs)
  foreach(lib ${ARGN})
    if(TARGET ${lib})
      list(APPEND libs ${lib})
    endif()
  endforeach()
  target_link_libraries(${name} PRIVATE ${libs} testsupport GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES
    PROPERTIES ENVIRONMENT "KEST_BINARY_DIR=${CMAKE_BINARY_DIR}")
endfunction()
