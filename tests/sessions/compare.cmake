# Plays one session script (from standard input, so messages name it "<stdin>") in a fresh
# folder and compares its whole journal with the expected one, and its standard error with
# NAME.stderr when that exists (cmake -P; see CMakeLists.txt). The journal is written beside the folder as NAME.out, so a
# changed session can be inspected and, once checked by eye, copied over the expected file.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
execute_process(COMMAND ${PIXMEND} run - INPUT_FILE ${SCRIPT}
                WORKING_DIRECTORY ${WORKDIR}
                OUTPUT_VARIABLE _out ERROR_VARIABLE _err RESULT_VARIABLE _status)
file(WRITE ${WORKDIR}.out "${_out}")
file(READ ${EXPECTED} _expected)
set(_failed FALSE)
if(NOT "${_status}" STREQUAL "${STATUS}")
  message("exit status ${_status}, expected ${STATUS}")
  set(_failed TRUE)
endif()
if(NOT "${_out}" STREQUAL "${_expected}")
  message("the journal differs from ${EXPECTED} (the one played is ${WORKDIR}.out):")
  execute_process(COMMAND diff -u ${EXPECTED} ${WORKDIR}.out)
  set(_failed TRUE)
endif()
string(REGEX REPLACE "\\.journal$" ".stderr" _stderr_file "${EXPECTED}")
if(EXISTS ${_stderr_file})
  file(READ ${_stderr_file} _expected_err)
  if(NOT "${_err}" STREQUAL "${_expected_err}")
    message("standard error differs from ${_stderr_file}")
    set(_failed TRUE)
  endif()
endif()
if(_failed)
  message("standard error:\n${_err}")
  message(FATAL_ERROR "session ${SCRIPT} failed")
endif()
