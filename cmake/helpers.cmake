# Test helpers shared by the three tiers.

# Test code (the test programs, their support libraries, the fuzz replays) is compiled
# without optimisation and with line tables only: it is most of the trees' compile time,
# while the code under test keeps the tree's optimisation (and, natively, the sanitizers).
# Under Wine no debugger reads the tests' lines: there they carry none.
# The fuzz tree keeps everything optimised, as the fuzzers run the harnesses for hours.
# Like every target, each compiles as one file (CMAKE_UNITY_BUILD).
function(zov_test_code target)
  if(ZOV_WINDOWS)
    target_compile_options(${target} PRIVATE -O0 -g0)
  elseif(NOT ZOV_FUZZ)
    target_compile_options(${target} PRIVATE -O0 -g1)
  endif()
endfunction()

# GoogleTest's header, compiled once per tree for all its test programs: parsing it
# is about a quarter of a test file's compile time. The header target has the test code's flags,
# which the compiler requires of every file that uses it.
function(zov_gtest_pch target)
  if(NOT TARGET zov_gtest_pch)
    set(source ${CMAKE_BINARY_DIR}/zov_gtest_pch.cpp)
    file(CONFIGURE OUTPUT ${source} CONTENT "// Holds the test programs' precompiled GoogleTest header.\n")
    add_library(zov_gtest_pch OBJECT ${source})
    target_link_libraries(zov_gtest_pch PRIVATE GTest::gtest)
    zov_test_code(zov_gtest_pch)
    target_precompile_headers(zov_gtest_pch PRIVATE <gtest/gtest.h>)
  endif()
  target_precompile_headers(${target} REUSE_FROM zov_gtest_pch)
endfunction()

# A native GoogleTest executable, one ctest entry per test (label "native").
function(zov_native_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  find_package(GTest REQUIRED)
  include(GoogleTest)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
  zov_test_code(${name})
  zov_gtest_pch(${name})
  # The tests are listed when ctest runs, not after each link: a rebuild only links.
  gtest_discover_tests(${name} PROPERTIES LABELS native DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST)
endfunction()

# A Windows GoogleTest executable run under Wine by build/win64/wine-run, one ctest
# entry per executable (OWN_MAIN: it brings its own main; NO_PCH: it compiles GoogleTest's
# header itself, as its own definitions change what that header says). DISPLAY gives it
# a virtual X display (label "ui", else "win").
# The Wine tests share one prefix (printers, log file), so they run one at a time.
function(zov_wine_test name)
  cmake_parse_arguments(ARG "DISPLAY;OWN_MAIN;NO_PCH" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  find_package(GTest REQUIRED)
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest)
  zov_test_code(${name})
  if(NOT ARG_NO_PCH)
    zov_gtest_pch(${name})
  endif()
  if(NOT ARG_OWN_MAIN)
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_link_options(${name} PRIVATE -static -static-libgcc -static-libstdc++)
  set(label win)
  set(env "")
  if(ARG_DISPLAY)
    set(label ui)
    set(env "ZOV_WINE_DISPLAY=1")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 600)
  endif()
  add_test(NAME ${label}.${name} COMMAND ${CMAKE_BINARY_DIR}/wine-run $<TARGET_FILE:${name}>)
  set_tests_properties(${label}.${name} PROPERTIES LABELS ${label} RESOURCE_LOCK wineprefix
                       TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
  if(TARGET zov_plugin)
    add_dependencies(${name} zov_plugin)
  endif()
endfunction()

if(WIN32)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
                 @ONLY)
endif()

# Adds every subfolder of the current folder that has a CMakeLists.txt: one folder per area.
function(zov_add_areas)
  file(GLOB areas LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(area IN LISTS areas)
    if(IS_DIRECTORY ${area} AND EXISTS ${area}/CMakeLists.txt)
      add_subdirectory(${area})
    endif()
  endforeach()
endfunction()

# A fuzz target: fuzz/<name>_fuzz.cpp defines LLVMFuzzerTestOneInput; LIBS are what it links.
# In the fuzz tree (ZOV_FUZZ, clang) it becomes the libFuzzer program <name>_fuzz. In the
# native tree it becomes <name>_fuzz_replay, which runs every committed input of
# fuzz/corpus/<name>/ and fuzz/regressions/<name>/ once, as one ordinary test (label "native").
function(zov_fuzz_target name)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  set(source ${CMAKE_CURRENT_SOURCE_DIR}/${name}_fuzz.cpp)
  if(ZOV_FUZZ)
    add_executable(${name}_fuzz ${source})
    target_link_libraries(${name}_fuzz PRIVATE ${ARG_LIBS})
    target_link_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${name}_fuzz_replay ${source})
    target_link_libraries(${name}_fuzz_replay PRIVATE ${ARG_LIBS} fuzz_replay_main)
    zov_test_code(${name}_fuzz_replay)
    add_test(NAME fuzz.${name} COMMAND ${name}_fuzz_replay ${CMAKE_CURRENT_SOURCE_DIR}/corpus/${name}
             ${CMAKE_CURRENT_SOURCE_DIR}/regressions/${name})
    set_tests_properties(fuzz.${name} PROPERTIES LABELS native TIMEOUT 300)
  endif()
endfunction()
