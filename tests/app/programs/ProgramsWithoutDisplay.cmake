# cmake -DBIN=<folder of the programs> -DVERSION=<version> -P ProgramsWithoutDisplay.cmake
#
# One row per run: program|arguments (comma separated)|DISPLAY to set (empty: unset)|
# QT_QPA_PLATFORM to set (empty: unset)|status|what standard output must match|what
# standard error must match (empty pattern: nothing may be written there).
cmake_minimum_required(VERSION 3.25)

set(no_window "cannot open a window: no display \\(neither DISPLAY nor WAYLAND_DISPLAY is set\\)")
set(rows
  "velmark-sim|--version|||0|^velmark-sim ${VERSION}\n$|"
  "velmark-sim|--help|||0|^Usage: velmark-sim\n.*--version.*\n  D:  |"
  "velmark-scan|--version|||0|^velmark-scan ${VERSION}\n$|"
  "velmark-scan|--help|||0|^Usage: velmark-scan \\[--sim\\]\n.*--sim .*\n  D:  |"
  "velmark-scan|--sim,--help|||0|^Usage: velmark-scan|"
  "velmark-cli|--version|||0|^velmark-cli ${VERSION}\n$|"
  "velmark-cli|--help|||0|^Usage: velmark-cli.*\nSimulated machine \\(--sim\\)\n  D:  |"
  "velmark-probe|--version|||0|^velmark-probe ${VERSION}\n$|"
  "velmark-probe|--help|||0|velmark-probe|"
  "velmark-scan|--frobnicate|||2|^$|^velmark-scan: unknown option --frobnicate"
  "velmark||||1|^$|^velmark: ${no_window}\n$"
  "velmark-sim||||1|^$|^velmark-sim: ${no_window}\n$"
  "velmark-scan|--sim|||1|^$|^velmark-scan: ${no_window}\n$"
  "velmark-sim|||xcb|1|^$|^velmark-sim: cannot open a window: QT_QPA_PLATFORM is xcb but DISPLAY"
  # A display named but not there: Qt's platform fails to start, which would abort.
  "velmark-sim||:9797||1|^$|velmark-sim: cannot open a window: the display platform did not start\n$"
)

set(failures 0)
foreach(row IN LISTS rows)
  string(REPLACE "|" ";" fields "${row}")
  list(LENGTH fields count)
  if(count EQUAL 6)
    list(APPEND fields "")
  endif()
  list(GET fields 0 program)
  list(GET fields 1 arguments)
  list(GET fields 2 display)
  list(GET fields 3 platform)
  list(GET fields 4 expected_status)
  list(GET fields 5 expected_out)
  list(GET fields 6 expected_err)
  string(REPLACE "," ";" arguments "${arguments}")
  set(environment --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM)
  if(display)
    list(APPEND environment DISPLAY=${display})
  endif()
  if(platform)
    list(APPEND environment QT_QPA_PLATFORM=${platform})
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${environment} ${BIN}/${program} ${arguments}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 30)
  set(problems "")
  if(NOT status STREQUAL expected_status)
    string(APPEND problems " status ${status}, not ${expected_status};")
  endif()
  if(NOT out MATCHES "${expected_out}")
    string(APPEND problems " standard output does not match '${expected_out}';")
  endif()
  if(expected_err STREQUAL "")
    if(NOT err STREQUAL "")
      string(APPEND problems " standard error is not empty;")
    endif()
  elseif(NOT err MATCHES "${expected_err}")
    string(APPEND problems " standard error does not match '${expected_err}';")
  endif()
  if(problems)
    math(EXPR failures "${failures} + 1")
    message("FAIL ${program} ${arguments} (DISPLAY=${display} QT_QPA_PLATFORM=${platform}):"
            "${problems}\n--- standard output:\n${out}--- standard error:\n${err}")
  else()
    message("ok   ${program} ${arguments} (DISPLAY=${display} QT_QPA_PLATFORM=${platform})")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} of the runs above failed")
endif()
