# quillon_library(NAME DEPS...) builds src/<folder> as one static library from
# every .cpp in the folder (and its sub-folders).
function(quillon_library name)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(_sources)
    add_library(${name} STATIC ${_sources})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    # A folder without sources yet still names its target, so dependants configure.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# quillon_test(NAME DEPS...) builds every .cpp of the current tests/ folder into
# one GoogleTest executable registered with CTest.
function(quillon_test name)
  file(GLOB_RECURSE _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT _sources)
    return()
  endif()
  add_executable(${name} ${_sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE QUILLON_CORPUS_DIR="${CMAKE_SOURCE_DIR}/../shared/corpus"
                                             QUILLON_SHARED_DIR="${CMAKE_SOURCE_DIR}/../shared"
                                             QUILLON_BINARY_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
