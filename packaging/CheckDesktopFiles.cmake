# The desktop entry passes desktop-file-validate, the MIME type file is valid
# XML, and the two together make the desktop's databases map *.dsm files to
# the new type and the type to Velmor, which is what a file manager reads
# to offer Velmor for a structure file.
#
#   cmake -DSOURCE=packaging-dir -DWORK=scratch-dir -P CheckDesktopFiles.cmake

foreach(tool desktop-file-validate update-desktop-database xmllint update-mime-database)
  string(MAKE_C_IDENTIFIER ${tool} name)
  find_program(${name} ${tool})
  if(NOT ${name})
    message(FATAL_ERROR "${tool} is missing (Debian desktop-file-utils, libxml2-utils, shared-mime-info): "
                        "scripts/install-deps.sh installs it")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
    message(FATAL_ERROR "${ARGN}: status ${status}\n${out}${err}")
  endif()
endfunction()

run(${desktop_file_validate} ${SOURCE}/velmor.desktop)
run(${xmllint} --noout ${SOURCE}/velmor.xml ${SOURCE}/velmor.svg)

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/mime/packages ${WORK}/applications)
file(COPY ${SOURCE}/velmor.xml DESTINATION ${WORK}/mime/packages)
file(COPY ${SOURCE}/velmor.desktop DESTINATION ${WORK}/applications)
# Its note that the folder is not one the desktop searches is not a fault.
run(${CMAKE_COMMAND} -E env XDG_DATA_HOME=${WORK} ${update_mime_database} ${WORK}/mime)
run(${update_desktop_database} ${WORK}/applications)

file(READ ${WORK}/mime/globs2 globs)
if(NOT globs MATCHES "(^|\n)[0-9]+:application/x-velmor-structure:\\*\\.dsm\n")
  message(FATAL_ERROR "*.dsm is not application/x-velmor-structure:\n${globs}")
endif()
file(READ ${WORK}/mime/subclasses subclasses)
if(NOT subclasses MATCHES "application/x-velmor-structure text/plain")
  message(FATAL_ERROR "the structure type is not a kind of text/plain:\n${subclasses}")
endif()
file(READ ${WORK}/applications/mimeinfo.cache cache)
if(NOT cache MATCHES "\napplication/x-velmor-structure=velmor.desktop;")
  message(FATAL_ERROR "Velmor is not offered for structure files:\n${cache}")
endif()
message(STATUS "desktop entry and MIME type: ok")
