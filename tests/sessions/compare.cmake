# Plays one session script (from standard input, so messages name it "<stdin>") in a fresh
# folder and compares its whole journal with the expected one, and its standard error with
# NAME.stderr when that exists (cmake -P; see CMakeLists.txt). The journal is written beside the folder as NAME.out, so a
# changed session can be inspected and, once checked by eye, copied over the expected file.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR})
# NAME.prepare.py (optional) makes the session's input files in its folder before it plays, and
# NAME.check.py (optional) reads what it wrote afterwards, failing with a message when a file is
# not as expected. Both run with the system's python3, which the distribution's openpyxl is for.
string(REGEX REPLACE "\\.journal$" "" _base "${EXPECTED}")
if(EXISTS ${_base}.prepare.py)
  execute_process(COMMAND /usr/bin/python3 ${_base}.prepare.py WORKING_DIRECTORY ${WORKDIR}
                  RESULT_VARIABLE _prepared OUTPUT_VARIABLE _prepareOut ERROR_VARIABLE _prepareOut)
  if(NOT _prepared EQUAL 0)
    message(FATAL_ERROR "${_base}.prepare.py failed:\n${_prepareOut}")
  endif()
endif()
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
# NAME.pictures: lines "FILE EXPECTED.png" (EXPECTED relative to the source tree, docs/ for the
# pictures the documentation shows). The session's picture must be the expected one byte for
# byte (our PNG writer is deterministic); with PIXMEND_UPDATE_PICTURES set it replaces it.
string(REGEX REPLACE "\\.journal$" ".pictures" _pictures_file "${EXPECTED}")
if(EXISTS ${_pictures_file})
  file(STRINGS ${_pictures_file} _pictures)
  foreach(_line ${_pictures})
    separate_arguments(_pair UNIX_COMMAND "${_line}")
    list(GET _pair 0 _made)
    list(GET _pair 1 _wanted)
    set(_wanted ${SOURCE_DIR}/${_wanted})
    if(DEFINED ENV{PIXMEND_UPDATE_PICTURES})
      file(COPY_FILE ${WORKDIR}/${_made} ${_wanted})
    endif()
    execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORKDIR}/${_made} ${_wanted} RESULT_VARIABLE _same)
    if(NOT _same EQUAL 0)
      message("the picture ${WORKDIR}/${_made} differs from ${_wanted}")
      set(_failed TRUE)
    endif()
  endforeach()
endif()
if(EXISTS ${_base}.check.py)
  execute_process(COMMAND /usr/bin/python3 ${_base}.check.py WORKING_DIRECTORY ${WORKDIR}
                  RESULT_VARIABLE _checked OUTPUT_VARIABLE _checkOut ERROR_VARIABLE _checkOut)
  if(NOT _checked EQUAL 0)
    message("${_base}.check.py found the session's files wrong:\n${_checkOut}")
    set(_failed TRUE)
  endif()
endif()
if(_failed)
  message("standard error:\n${_err}")
  message(FATAL_ERROR "session ${SCRIPT} failed")
endif()
