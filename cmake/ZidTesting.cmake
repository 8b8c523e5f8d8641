# zid_add_test(NAME <name> COMMAND <target or program> [args...]
#              [TIMEOUT <s>] [LABELS <labels...>] [WINE_ONLY])
#
# When cross-compiling, a test whose command is an executable target runs
# under Wine (CMake prepends the emulator) inside the build's own prefix, with
# one warm wineserver for the whole run (the "wine" fixture). Exit code 77
# marks a test that cannot run on this machine; ctest reports it as skipped.
function(zid_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "COMMAND;LABELS;ENVIRONMENT" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_COMMAND})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} SKIP_RETURN_CODE 77)
  if(T_LABELS)
    set_tests_properties(${T_NAME} PROPERTIES LABELS "${T_LABELS}")
  endif()
  if(CMAKE_CROSSCOMPILING)
    list(APPEND T_ENVIRONMENT ZID_WINE_CAPTURE=1)
  endif()
  if(T_ENVIRONMENT)
    set_tests_properties(${T_NAME} PROPERTIES ENVIRONMENT "${T_ENVIRONMENT}")
  endif()
  if(CMAKE_CROSSCOMPILING)
    set_tests_properties(${T_NAME} PROPERTIES FIXTURES_REQUIRED wine)
  endif()
endfunction()

if(CMAKE_CROSSCOMPILING)
  add_test(NAME wine.start
           COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-session.sh start ${ZID_WINE_BITS} ${ZID_WINEPREFIX})
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
  add_test(NAME wine.stop
           COMMAND ${CMAKE_SOURCE_DIR}/cmake/wine-session.sh stop ${ZID_WINE_BITS} ${ZID_WINEPREFIX})
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
endif()
