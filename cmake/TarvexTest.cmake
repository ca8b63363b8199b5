# tarvex_add_test(<name> SOURCES <files...> LIBS <targets...> [LABELS <labels...>] [TIMEOUT <s>])
#
# Builds a Qt Test executable and registers it with CTest. Tests run offscreen
# unless they carry the label "xvfb", in which case scripts/check runs them
# under Xvfb. The label "tsan" marks the tests that are also run in the
# ThreadSanitizer build. Tests labelled "postgres" start server programs
# (QProcess) while the threads of a run are alive; ThreadSanitizer's default
# ends such a process at the fork (die_after_fork), so for them it is off.
function(tarvex_add_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set(env "QT_QPA_PLATFORM=offscreen;TARVEX_TEST_BINARY_DIR=${CMAKE_BINARY_DIR}")
  if("xvfb" IN_LIST T_LABELS)
    set(env "TARVEX_TEST_BINARY_DIR=${CMAKE_BINARY_DIR}")
  endif()
  set_tests_properties(${name} PROPERTIES
    LABELS "${T_LABELS}"
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "${env}")
  if("postgres" IN_LIST T_LABELS)
    set_tests_properties(${name} PROPERTIES
      ENVIRONMENT_MODIFICATION "TSAN_OPTIONS=string_append::die_after_fork=0")
  endif()
endfunction()
