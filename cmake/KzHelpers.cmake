# kz_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program; each of its tests becomes a CTest test.
function(kz_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${CMAKE_SOURCE_DIR}/tests/common/TestMain.cpp)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
  target_compile_definitions(${name} PRIVATE
    KZ_TEST_SOURCE_DIR="${CMAKE_SOURCE_DIR}" KZ_TEST_BINARY_DIR="${CMAKE_BINARY_DIR}")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  # The environment (offscreen Qt, a private registry folder, the tree locations)
  # is set by the common test main, one registry folder per test process.
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    PROPERTIES TIMEOUT 300)
endfunction()

# kz_add_library_version(<target>): the shared library carries the project version
# (read by the about box through the library's soname file).
function(kz_set_library_version target)
  set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
endfunction()

# kz_add_bench(<name> SOURCES <files...> LIBS <targets...>): a Google Benchmark program in bin/.
function(kz_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} benchmark::benchmark)
endfunction()

# kz_add_fuzzer(<name> SOURCES <files...> LIBS <targets...>): a libFuzzer harness in bin/.
function(kz_add_fuzzer name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  set_property(GLOBAL APPEND PROPERTY KZ_FUZZERS ${name})
endfunction()
