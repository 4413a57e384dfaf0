# Helpers for the three kinds of target the project builds.
#
#   corvane_library(NAME SOURCES ... [DEPS ...])
#       A static library for one subsystem, warnings high, headers found
#       from the repository root (#include "engine/Benondelettes.h"). Which
#       folder may include which is checked by cmake/CheckLayering.cmake.
#   corvane_test(NAME SOURCES ... [DEPS ...] [THREADED])
#       A GoogleTest executable registered with CTest. THREADED marks the
#       tests that start threads; the ThreadSanitizer build compiles only those.
#   corvane_benchmark(NAME SOURCES ... [DEPS ...])
#       A Google Benchmark executable (never registered as a test).

find_package(Threads REQUIRED)

set(CORVANE_WARNINGS -Wall -Wextra -Wno-unused-parameter)

if(CORVANE_SANITIZE STREQUAL "address")
  # GCC leaves float-to-int overflow out of "undefined": name it.
  add_compile_options(-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined,float-cast-overflow)
elseif(CORVANE_SANITIZE STREQUAL "fuzz")
  # clang only: libFuzzer coverage plus ASan + UBSan; only fuzz targets are built.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(CORVANE_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

function(corvane_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_options(${name} PRIVATE ${CORVANE_WARNINGS})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

function(corvane_test name)
  cmake_parse_arguments(ARG "THREADED" "" "SOURCES;DEPS" ${ARGN})
  if(CORVANE_THREAD_TESTS_ONLY AND NOT ARG_THREADED)
    return()
  endif()
  find_package(GTest REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${CORVANE_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main Threads::Threads)
  include(GoogleTest)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
endfunction()

function(corvane_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  find_package(benchmark REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE ${CORVANE_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} benchmark::benchmark Threads::Threads)
endfunction()
