# Shared compile settings and helpers for every target of the tree.

# Source files are UTF-8; every narrow literal becomes the GBK bytes of the system's own texts.
# The converter is named GB18030, GBK's superset, which gives the same bytes for every GBK
# character: libstdc++'s C++20 <chrono> holds a literal micro sign that plain GBK cannot encode,
# which would make any file that includes it fail to compile. A test pins the bytes.
add_compile_options(-finput-charset=UTF-8)
if(NOT PXQD_FUZZ)
  add_compile_options(-fexec-charset=GB18030)
endif()
add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-missing-field-initializers)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-Wno-class-memaccess>)
endif()

if(PXQD_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -O1)
  add_link_options(-fsanitize=address,undefined)
endif()

# The fuzz build (clang, its own build folder): coverage for libFuzzer in every library, with
# address and undefined-behaviour checks. Clang converts literals to UTF-8 only, so this build
# leaves the GBK conversion out; no fuzz target depends on GBK literals.
if(PXQD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(Threads REQUIRED)

# pxqd_library(<name> SOURCES ... [DEPS ...] [PUBLIC_DEPS ...])
# One static library per folder; headers are included from the repository root.
function(pxqd_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
endfunction()

# pxqd_test(<name> SOURCES ... DEPS ... [LABELS ...] [ENV VAR=value ...])
# One GoogleTest program per test folder area; each test case becomes its own ctest entry.
function(pxqd_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} pxqd_test_support GTest::gtest GTest::gmock Threads::Threads)
  target_compile_definitions(${name} PRIVATE PXQD_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  if(ARG_ENV)
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 120 ENVIRONMENT "${ARG_ENV}")
  else()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 120)
  endif()
endfunction()
