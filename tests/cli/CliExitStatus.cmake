# Runs velmor-cli the way a user would and checks its exit statuses and
# output: --check gives 0 for every example, 2 for a file it cannot load,
# 64 for a bad command line.
#
#   cmake -DCLI=path/to/velmor-cli -DEXAMPLES=dir -DWORK=scratch-dir -DVERSION=x.y.z -P CliExitStatus.cmake

set(failures 0)

function(expect_run name expected_status expected_output)
  execute_process(COMMAND ${CLI} ${ARGN}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(SEND_ERROR "${name}: exit status ${status}, expected ${expected_status}\n${out}${err}")
  elseif(NOT "${expected_output}" STREQUAL "" AND NOT "${out}${err}" MATCHES "${expected_output}")
    message(SEND_ERROR "${name}: output does not match '${expected_output}':\n${out}${err}")
  else()
    message(STATUS "${name}: ok")
  endif()
endfunction()

file(GLOB examples ${EXAMPLES}/*.dsm)
list(LENGTH examples example_count)
if(example_count LESS 6)
  message(SEND_ERROR "expected at least 6 examples in ${EXAMPLES}, found ${example_count}")
endif()
foreach(example IN LISTS examples)
  get_filename_component(name ${example} NAME)
  expect_run("check ${name}" 0 "Nodes: +[0-9]+" --check ${example})
endforeach()

expect_run("bridge summary" 0 "undirected.*Nodes: +4.*Edges: +5.*source N1, destination N4"
           --check ${EXAMPLES}/most.dsm)
expect_run("file without pair" 0 "not given in the file" --check ${EXAMPLES}/bez_para.dsm)
expect_run("file alone computes" 0 "Abraham +0[.,]97848 .*ENR +0[.,]97848 .*NPR +0[.,]97848 " ${EXAMPLES}/most.dsm)
expect_run("every computation option together" 0 "algorithm,[^\n]*,termTexts\nAbraham,0[.]97848[0-9]*,.*\nNPR,0[.]97848[0-9]*,.*N[0-9]"
           --algorithms abraham,npr --undirected --source 1 --destination 4 --no-reduction --real
           --abraham-rule 1 --enr-variant 0 --npr-variant 0 --special --memory-limit all=100000000
           --time-limit enr=5 --iteration-limit npr=none --format csv --terms ${EXAMPLES}/most.dsm)

file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/bad.dsm "struktura:\n{\nusmjeren:\n{\nda;\n}\ncvorovi:\n{\n1 , 2.5;\n}\n}\n")
expect_run("unreadable structure" 2
           "Otvorena datoteka ne sadrži odgovarajuće podatke\nNije moguće zapisati podatke o čvorovima u listu"
           --check ${WORK}/bad.dsm)
expect_run("missing file" 2 "Nije moguće otvoriti zadanu datoteku" --check ${WORK}/missing.dsm)

expect_run("help" 0 "--memory-limit" --help)
string(REPLACE "." "[.]" version_pattern "${VERSION}")
expect_run("version" 0 "^velmor-cli \\(Velmor\\) ${version_pattern}\n$" --version)
expect_run("special with a list after a space" 0 "ENR +0[.,]97848 " --special enr ${EXAMPLES}/most.dsm)
expect_run("no arguments" 64 "no structure file")
expect_run("unknown option" 64 "unknown option" --frobnicate ${EXAMPLES}/most.dsm)
expect_run("bad option value" 64 "--abraham-rule" --abraham-rule 7 ${EXAMPLES}/most.dsm)
expect_run("two files" 64 "only one" ${EXAMPLES}/most.dsm ${EXAMPLES}/primjer.dsm)
