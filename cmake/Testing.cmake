# Helpers that register tests with the labels the Makefile and CI select on.
#
#   add_unit_test(NAME name SOURCES a.cpp ... LIBS lib ...)
#       native GoogleTest suite (label "unit"); runs in the plain and the sanitizer build.
#   add_win_test(NAME name SOURCES a.cpp ... LIBS lib ... [GUI])
#       Windows GoogleTest suite, run under Wine through CMAKE_CROSSCOMPILING_EMULATOR
#       (label "win"). GUI suites of one build share its virtual desktop, so they never run at
#       once. Each build has a session and a desktop of its own (named after TEST_PREFIX), so
#       the two Windows builds' tests may run side by side in one ctest run.
#   add_win_script_test(NAME name SCRIPT path [ARGS ...] [DEPENDS target ...] [LABELS ...]
#                       [LOCKS resource ...] [SKIP_CODE n])
#       a shell script that drives Windows programs under Wine and Xvfb (label "win" or as given);
#       it holds the shared desktop and any further LOCKS (port80 for tests that listen on
#       127.0.0.1:80); an exit with SKIP_CODE counts as skipped.
#   win_test_gated(name)
#       for a test registered by hand with ${WIN_TEST_GATE} before its command: the gate's
#       skip counts as skipped.
#
# A tree whose Windows programs are 32-bit runs them only where the machine runs 32-bit code
# (tests/win/harness/i686-gate.sh probes once per build root); elsewhere every one of its
# tests goes through the gate and is reported as skipped (77), never as passed or failed.

function(add_unit_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  add_test(NAME ${TEST_PREFIX}${T_NAME} COMMAND ${T_NAME})
  set_tests_properties(${TEST_PREFIX}${T_NAME} PROPERTIES LABELS unit TIMEOUT 300)
endfunction()

set(WINE_HARNESS_DIR ${CMAKE_SOURCE_DIR}/tests/win/harness)
set(WINE_SESSION_FIXTURE ${TEST_PREFIX}wine_session)
set(WINE_DESKTOP_LOCK ${TEST_PREFIX}wine_desktop)
set(WIN_TEST_GATE)
if(CMAKE_CROSSCOMPILING_EMULATOR AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  get_filename_component(win_test_build_root "${CMAKE_BINARY_DIR}" DIRECTORY)
  set(WIN_TEST_GATE bash ${WINE_HARNESS_DIR}/i686-gate.sh run ${win_test_build_root})
endif()

function(win_test_gated name)
  if(WIN_TEST_GATE)
    set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE 77)
  endif()
endfunction()

function(add_win_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    if(WIN_TEST_GATE)
      add_test(NAME ${TEST_PREFIX}${T_NAME}
        COMMAND ${WIN_TEST_GATE} ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:${T_NAME}>)
      win_test_gated(${TEST_PREFIX}${T_NAME})
    else()
      add_test(NAME ${TEST_PREFIX}${T_NAME} COMMAND ${T_NAME})
    endif()
    set_tests_properties(${TEST_PREFIX}${T_NAME} PROPERTIES LABELS win TIMEOUT 300
      FIXTURES_REQUIRED ${WINE_SESSION_FIXTURE})
    if(T_GUI)
      set_tests_properties(${TEST_PREFIX}${T_NAME} PROPERTIES RESOURCE_LOCK ${WINE_DESKTOP_LOCK})
    endif()
  endif()
endfunction()

function(add_win_script_test)
  cmake_parse_arguments(T "" "NAME;SCRIPT;SKIP_CODE" "ARGS;DEPENDS;LABELS;LOCKS" ${ARGN})
  if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
    return()
  endif()
  set(labels win)
  if(T_LABELS)
    set(labels ${T_LABELS})
  endif()
  set(locks ${WINE_DESKTOP_LOCK} ${T_LOCKS})
  set(exe_args)
  foreach(dep IN LISTS T_DEPENDS)
    list(APPEND exe_args "$<TARGET_FILE:${dep}>")
  endforeach()
  add_test(NAME ${TEST_PREFIX}${T_NAME}
    COMMAND ${WIN_TEST_GATE} bash ${T_SCRIPT} ${exe_args} ${T_ARGS})
  set_tests_properties(${TEST_PREFIX}${T_NAME} PROPERTIES LABELS "${labels}" TIMEOUT 600
    FIXTURES_REQUIRED ${WINE_SESSION_FIXTURE} RESOURCE_LOCK "${locks}"
    ENVIRONMENT "WINE_BUILD_DIR=${CMAKE_BINARY_DIR};WINE_HARNESS_DIR=${WINE_HARNESS_DIR}")
  if(T_SKIP_CODE AND WIN_TEST_GATE AND NOT T_SKIP_CODE EQUAL 77)
    message(FATAL_ERROR "${T_NAME}: a gated tree's tests skip with 77, not ${T_SKIP_CODE}")
  endif()
  if(T_SKIP_CODE)
    set_tests_properties(${TEST_PREFIX}${T_NAME} PROPERTIES SKIP_RETURN_CODE ${T_SKIP_CODE})
  endif()
  win_test_gated(${TEST_PREFIX}${T_NAME})
endfunction()
