# Helpers that keep the per-folder CMake files short: sources are collected by folder, so a
# new file needs no CMake edit.

# skyloom_sources(<out-var> <folder>...) collects the .cpp files directly in each folder.
function(skyloom_sources out)
  set(files)
  foreach(folder IN LISTS ARGN)
    file(GLOB found CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.cpp")
    list(APPEND files ${found})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# The standard and fmt headers that most files of the product and of the tests include; parsing
# them was half the work of a typical product file. Only these: a precompiled header has to be
# loaded by every file of its target, and a heavy library header that few files need (JSON,
# XML, libcurl) costs the others more to load than it saves the few.
set(SKYLOOM_PCH_HEADERS
  <algorithm> <array> <atomic> <chrono> <cmath> <cstddef> <cstdint> <deque> <filesystem>
  <fstream> <functional> <map> <memory> <mutex> <optional> <set> <sstream> <stdexcept> <string>
  <string_view> <thread> <unordered_map> <utility> <variant> <vector> <fmt/format.h>)

# skyloom_product_pch(<target>...): the product's targets share one precompiled header, built
# once with their flags (fmt's and the thread library's among them; every product target links
# both). One copy only: a precompiled header is some 100 MB.
function(skyloom_product_pch)
  if(NOT TARGET skyloom_product_pch)
    set(source "${PROJECT_BINARY_DIR}/skyloom_product_pch.cpp")
    # Written only when it changes: a new configure then rebuilds nothing.
    file(CONFIGURE OUTPUT "${source}"
      CONTENT "// The product targets' precompiled standard and fmt headers.\n")
    add_library(skyloom_product_pch OBJECT "${source}")
    target_link_libraries(skyloom_product_pch PRIVATE fmt::fmt Threads::Threads)
    target_precompile_headers(skyloom_product_pch PRIVATE ${SKYLOOM_PCH_HEADERS})
  endif()
  foreach(target IN LISTS ARGN)
    target_precompile_headers(${target} REUSE_FROM skyloom_product_pch)
  endforeach()
endfunction()

# skyloom_test_folder(<folder> [LABEL <label>] LIBS <libs>...) builds tests/<folder>/*_test.cpp
# into one binary test_<label>, registered with ctest under <label> (the folder's last name by
# default). Files ending in _bench.cpp become the Google Benchmark binary bench_<label>, which
# ctest runs once as the test bench_<label> (labels <label> and bench): every benchmark one
# repetition of as few iterations as it allows, so that one that fails (an error it reports
# with SkipWithError, a crash) goes red; its times mean nothing there, beside other tests. A
# benchmark that lacks the recorded data of ../shared makes the test skip. The folder's
# support/*.cpp build once, into skyloom_test_support_<label>, which both binaries link (and
# other folders' tests may link too).
include(GoogleTest)

# The test files are compiled without optimisation: the code under test is the product's, built
# with the build type's flags into its libraries; the tests' own code (assertions, matchers,
# fixtures) gains nothing from the optimiser, which took a third of a test file's compile
# time. The benchmarks' own files and the test support they link keep the build type's flags:
# a template or inline function of the product (a Stand's destructor, a vector's growth) that
# a support file instantiates is one symbol with the product's own copy, and the linker keeps
# the copy it meets first, which is the support library's. Compiled without optimisation, that
# copy made the benchmarks time the product 1.2 to 1.3 times slower than it runs.
# gtest and gmock headers are the heaviest part of every test file: they are precompiled once
# for each of the two kinds of test code, in one target whose flags all of that kind share,
# because one such header is over 100 MB and a copy per binary filled the disk of a build
# machine. With them precompiled, g++ 12 inlines std::string concatenation differently and
# raises its known false -Warray-bounds and -Wstringop-overflow on short-string buffers: not
# errors here.
set(SKYLOOM_TEST_WARNINGS -Wno-array-bounds -Wno-stringop-overflow)
set(SKYLOOM_TEST_OPTIONS -O0 ${SKYLOOM_TEST_WARNINGS})
# skyloom_test_pch(<target> <options>...): the precompiled header target of one kind.
function(skyloom_test_pch target)
  if(TARGET ${target})
    return()
  endif()
  set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}.cpp")
  file(CONFIGURE OUTPUT "${source}"
    CONTENT "// Precompiled gtest and gmock headers of the test code.\n")
  add_library(${target} OBJECT "${source}")
  target_link_libraries(${target} PRIVATE skyloom_core GTest::gmock)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${target} PRIVATE
    SKYLOOM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SKYLOOM_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
  target_compile_options(${target} PRIVATE ${ARGN})
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <gmock/gmock.h>
    ${SKYLOOM_PCH_HEADERS})
endfunction()

# Test code: the tests' flags and precompiled header, and files compiled in batches. Even at
# -O0, most of a test file's compile time goes into emitting the gtest, gmock and fmt templates
# it instantiates, the same in every file; a batch emits them once for all its files (eight feed
# tests took 14 CPU-seconds together, over 30 one by one). Eight files to a batch keep a test
# folder's build parallel and an edited test's rebuild short.
# A file's own helpers live in an anonymous namespace, which a batch shares: two files of one
# folder cannot both define the same helper there.
# skyloom_test_code(<target> [SUPPORT]): SUPPORT for test support, which the benchmarks link
# too: it keeps the build type's optimisation.
set(SKYLOOM_TEST_BATCH_SIZE 8)
function(skyloom_test_code target)
  cmake_parse_arguments(ARG "SUPPORT" "" "" ${ARGN})
  target_compile_definitions(${target} PRIVATE
    SKYLOOM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SKYLOOM_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
  if(ARG_SUPPORT)
    set(pch skyloom_test_support_pch)
    set(options ${SKYLOOM_TEST_WARNINGS})
  else()
    set(pch skyloom_test_pch)
    set(options ${SKYLOOM_TEST_OPTIONS})
  endif()
  skyloom_test_pch(${pch} ${options})
  target_precompile_headers(${target} REUSE_FROM ${pch})
  target_compile_options(${target} PRIVATE ${options})
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON
    UNITY_BUILD_BATCH_SIZE ${SKYLOOM_TEST_BATCH_SIZE})
endfunction()

function(skyloom_test_folder folder)
  cmake_parse_arguments(ARG "" "LABEL" "LIBS" ${ARGN})
  if(ARG_LABEL)
    set(name "${ARG_LABEL}")
  else()
    get_filename_component(name "${folder}" NAME)
  endif()
  file(GLOB tests CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${folder}/*_test.cpp")
  file(GLOB support CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${folder}/support/*.cpp")
  file(GLOB benches CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/tests/${folder}/*_bench.cpp")
  set(support_library)
  if(support)
    set(support_library skyloom_test_support_${name})
    add_library(${support_library} STATIC ${support})
    target_link_libraries(${support_library} PUBLIC ${ARG_LIBS} skyloom_testsupport GTest::gmock)
    skyloom_test_code(${support_library} SUPPORT)
  endif()
  if(tests)
    add_executable(test_${name} ${tests})
    target_link_libraries(test_${name} PRIVATE ${support_library} ${ARG_LIBS} skyloom_testsupport
      GTest::gmock_main)
    skyloom_test_code(test_${name})
    gtest_discover_tests(test_${name}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS "${name}")
  endif()
  if(benches)
    add_executable(bench_${name} ${benches})
    target_link_libraries(bench_${name} PRIVATE ${support_library} ${ARG_LIBS} skyloom_testsupport
      benchmark::benchmark_main)
    target_compile_definitions(bench_${name} PRIVATE
      SKYLOOM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      SKYLOOM_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
    # Google Benchmark 1.7 ends with status 0 after a benchmark's error: its text tells.
    add_test(NAME bench_${name} COMMAND bench_${name} --benchmark_min_time=0.000001
      --benchmark_repetitions=1)
    set_tests_properties(bench_${name} PROPERTIES LABELS "${name};bench" TIMEOUT 600
      FAIL_REGULAR_EXPRESSION "ERROR OCCURRED"
      SKIP_REGULAR_EXPRESSION "ERROR OCCURRED: 'shared data not found")
  endif()
endfunction()
