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

# skyloom_test_folder(<folder> [LABEL <label>] LIBS <libs>...) builds tests/<folder>/*_test.cpp
# into one binary test_<label>, registered with ctest under <label> (the folder's last name by
# default). Files ending in _bench.cpp become the Google Benchmark binary bench_<label>, built
# but not run by ctest.
include(GoogleTest)

# gtest and gmock headers are the heaviest part of every test file: they are precompiled once,
# in one target whose flags every test binary shares, because one such header is over 100 MB
# and a copy per binary filled the disk of a build machine. With them precompiled, g++ 12
# inlines std::string concatenation differently and raises its known false -Warray-bounds and
# -Wstringop-overflow on short-string buffers: not errors here.
set(SKYLOOM_TEST_PCH_OPTIONS -Wno-array-bounds -Wno-stringop-overflow)
function(skyloom_test_pch)
  if(TARGET skyloom_test_pch)
    return()
  endif()
  set(source "${CMAKE_CURRENT_BINARY_DIR}/skyloom_test_pch.cpp")
  file(WRITE "${source}" "// The test binaries' precompiled gtest and gmock headers.\n")
  add_library(skyloom_test_pch OBJECT "${source}")
  target_link_libraries(skyloom_test_pch PRIVATE skyloom_core GTest::gmock)
  target_include_directories(skyloom_test_pch PRIVATE ${PROJECT_SOURCE_DIR})
  target_compile_definitions(skyloom_test_pch PRIVATE
    SKYLOOM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SKYLOOM_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
  target_compile_options(skyloom_test_pch PRIVATE ${SKYLOOM_TEST_PCH_OPTIONS})
  target_precompile_headers(skyloom_test_pch PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
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
  if(tests)
    add_executable(test_${name} ${tests} ${support})
    target_link_libraries(test_${name} PRIVATE ${ARG_LIBS} skyloom_testsupport GTest::gmock_main)
    target_compile_definitions(test_${name} PRIVATE
      SKYLOOM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      SKYLOOM_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
    skyloom_test_pch()
    target_precompile_headers(test_${name} REUSE_FROM skyloom_test_pch)
    target_compile_options(test_${name} PRIVATE ${SKYLOOM_TEST_PCH_OPTIONS})
    gtest_discover_tests(test_${name}
      DISCOVERY_MODE PRE_TEST
      PROPERTIES LABELS "${name}")
  endif()
  if(benches)
    add_executable(bench_${name} ${benches} ${support})
    target_link_libraries(bench_${name} PRIVATE ${ARG_LIBS} skyloom_testsupport benchmark::benchmark_main)
    target_compile_definitions(bench_${name} PRIVATE
      SKYLOOM_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
      SKYLOOM_SHARED_DIR="${PROJECT_SOURCE_DIR}/../shared")
  endif()
endfunction()
