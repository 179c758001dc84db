# velmor's command line: --help and --version answer without a display,
# a command line it does not accept ends with status 64 and a message.
#
#   cmake -DVELMOR=path/to/velmor -DVERSION=x.y.z -P DesktopCommandLine.cmake

function(expect_run name expected_status expected_output)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                          --unset=QT_QPA_PLATFORM ${VELMOR} ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
  if(NOT status EQUAL expected_status OR NOT "${out}${err}" MATCHES "${expected_output}")
    message(SEND_ERROR "${name}: exit status ${status} (expected ${expected_status}), "
                       "output should match '${expected_output}':\n${out}${err}")
  else()
    message(STATUS "${name}: ok")
  endif()
endfunction()

string(REPLACE "." "[.]" version_pattern "${VERSION}")
expect_run("version" 0 "^velmor \\(Velmor\\) ${version_pattern}\n$" --version)
expect_run("help" 0 "^Uporaba: velmor \\[DATOTEKA\\]\n.*--version" --help)
expect_run("short help" 0 "^Uporaba: velmor" -h)
# The toolkit takes its own options first; what is left must be a file.
expect_run("unknown option" 64 "velmor: nepoznata opcija '--bogus'\nPokušajte 'velmor --help'[.]\n$"
           -platform offscreen --bogus)
expect_run("two files" 64 "samo jedna datoteka strukture, ne i 'b[.]dsm'" -platform offscreen a.dsm b.dsm)
