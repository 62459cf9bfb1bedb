# kz_add_gtest(<name> SOURCES <files...> LIBS <targets...>)
# One GoogleTest program; each of its tests becomes a CTest test. Qt tests run
# offscreen, and every test gets a private registry folder and temporary folder.
function(kz_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/tests
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;KZ_REGISTRY_DIR=${CMAKE_BINARY_DIR}/tests/reg-${name};KZ_SOURCE_DIR=${CMAKE_SOURCE_DIR};KZ_BINARY_DIR=${CMAKE_BINARY_DIR}")
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
