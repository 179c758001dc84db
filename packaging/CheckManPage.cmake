# The generated manual page must read without a warning from groff.
#
#   cmake -DMAN_PAGE=velmor-cli.1 -P CheckManPage.cmake

find_program(GROFF groff)
if(NOT GROFF)
  message(FATAL_ERROR "groff is missing (Debian groff-base): scripts/install-deps.sh installs it")
endif()
execute_process(COMMAND ${GROFF} -man -ww -z -Tutf8 ${MAN_PAGE}
                RESULT_VARIABLE status ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff on ${MAN_PAGE}: status ${status}\n${warnings}")
endif()
# What man shows: the options are there with their dashes as typed.
# Long lines and no hyphenation, so that each phrase stays on one line.
execute_process(COMMAND ${GROFF} -man -rLL=400n -rHY=0 -Tutf8 -P-c -P-b -P-u ${MAN_PAGE}
                RESULT_VARIABLE status OUTPUT_VARIABLE text)
string(REGEX REPLACE "[ \n]+" " " text "${text}")
foreach(expected "velmor-cli - compute the two-terminal availability" "--special [LIST]" "--version"
                 "--memory-limit ALG=VALUE" "EXIT STATUS")
  string(FIND "${text}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the rendered manual page lacks '${expected}':\n${text}")
  endif()
endforeach()
message(STATUS "manual page: ok")
