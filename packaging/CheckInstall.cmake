# Installs the build into a folder of its own (DESTDIR, prefix /usr) and
# checks what lands where; then the installed programs run from there: the
# command line computes the installed bridge example, both tell their
# version.
#
#   cmake -DBUILD=build-dir -DWORK=scratch-dir -DWITH_UI=ON|OFF -DVERSION=x.y.z -P CheckInstall.cmake

set(root ${WORK}/root)
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${root} ${CMAKE_COMMAND} --install ${BUILD} --prefix /usr
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "installation failed (${status}):\n${out}${err}")
endif()

set(expected
  usr/bin/velmor-cli
  usr/share/applications/velmor.desktop
  usr/share/icons/hicolor/scalable/apps/velmor.svg
  usr/share/man/man1/velmor-cli.1.gz
  usr/share/mime/packages/velmor.xml
  usr/share/velmor/Velmor.txt
  usr/share/velmor/examples/bez_para.dsm
  usr/share/velmor/examples/ljestve.dsm
  usr/share/velmor/examples/most.dsm
  usr/share/velmor/examples/mreza12.dsm
  usr/share/velmor/examples/primjer.dsm
  usr/share/velmor/examples/resetka3x3.dsm)
if(WITH_UI)
  list(APPEND expected usr/bin/velmor)
endif()
list(SORT expected)
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
list(SORT installed)
if(NOT installed STREQUAL expected)
  string(REPLACE ";" "\n  " installed_text "${installed}")
  string(REPLACE ";" "\n  " expected_text "${expected}")
  message(FATAL_ERROR "installed:\n  ${installed_text}\nexpected:\n  ${expected_text}")
endif()

function(expect_output name expected_output)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY /
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT "${out}" MATCHES "${expected_output}")
    message(FATAL_ERROR "${name}: status ${status}, output does not match '${expected_output}':\n${out}${err}")
  endif()
  message(STATUS "${name}: ok")
endfunction()

expect_output("installed velmor-cli computes the installed bridge"
              "Abraham +0[.,]97848 .*ENR +0[.,]97848 .*NPR +0[.,]97848 "
              ${root}/usr/bin/velmor-cli ${root}/usr/share/velmor/examples/most.dsm)
string(REPLACE "." "[.]" version_pattern "${VERSION}")
expect_output("velmor-cli --version" "^velmor-cli \\(Velmor\\) ${version_pattern}\n$"
              ${root}/usr/bin/velmor-cli --version)
if(WITH_UI)
  # Answered before the toolkit starts: no display needed.
  expect_output("velmor --version" "^velmor \\(Velmor\\) ${version_pattern}\n$"
                ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY ${root}/usr/bin/velmor --version)
endif()
