# The form tool from the command line: the program's definition converts both
# ways without change and passes the check, a misspelt property fails the
# check with its located message and writes nothing, damaged input and wrong
# usage end with their exit statuses, and the files beside the target are
# left alone.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

function(run expected_rc)
  execute_process(COMMAND ${RUN} ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL expected_rc)
    message(FATAL_ERROR "${ARGN}\nexited with ${rc}, not ${expected_rc}:\n${out}")
  endif()
  set(output "${out}" PARENT_SCOPE)
endfunction()

function(expect_same_file a b)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${a} ${b} RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${a} and ${b} differ")
  endif()
endfunction()

run(0 ${CHECKER} bin2text --resource ${PROGRAM} TMainForm ${WORK}/FromProgram.frm)
expect_same_file(${FORM} ${WORK}/FromProgram.frm)
run(0 ${TOOL} text2bin ${FORM} ${WORK}/Form.bin)
run(0 ${TOOL} bin2text ${WORK}/Form.bin ${WORK}/Again.frm)
expect_same_file(${FORM} ${WORK}/Again.frm)
run(0 ${CHECKER} check ${FORM})
run(0 ${CHECKER} check ${WORK}/Form.bin)

file(READ ${FORM} text)
string(REPLACE "    OnClick = ExitBtnClick" "    OnClik = ExitBtnClick" text "${text}")
file(WRITE ${WORK}/MainForm.frm "${text}")
run(1 ${CHECKER} text2bin --check ${WORK}/MainForm.frm ${WORK}/Misspelt.bin)
if(NOT output MATCHES "MainForm.frm:22:5: ExitBtn.OnClik: TButton has no published property \"OnClik\"")
  message(FATAL_ERROR "the misspelt property was not reported:\n${output}")
endif()
if(EXISTS ${WORK}/Misspelt.bin)
  message(FATAL_ERROR "a definition that failed its check was written")
endif()

file(WRITE ${WORK}/Damaged.bin "TPF0X")
run(1 ${TOOL} bin2text ${WORK}/Damaged.bin)
if(NOT output MATCHES "Damaged.bin: Stream read error")
  message(FATAL_ERROR "damaged input was not reported:\n${output}")
endif()
# The binary is written through a temporary file the tool makes for itself:
# the user's files beside the target stay as they were, also when the target
# is a folder and cannot be replaced.
file(WRITE ${WORK}/Out.bin.tmp "mine")
file(MAKE_DIRECTORY ${WORK}/Folder)
file(WRITE ${WORK}/Folder.tmp "mine")
run(0 ${TOOL} text2bin ${FORM} ${WORK}/Out.bin)
run(1 ${TOOL} text2bin ${FORM} ${WORK}/Folder)
if(NOT output MATCHES "Cannot create file .*Folder")
  message(FATAL_ERROR "the folder as target was not reported:\n${output}")
endif()
expect_same_file(${WORK}/Form.bin ${WORK}/Out.bin)
file(GLOB temporaries RELATIVE ${WORK} ${WORK}/*.tmp)
if(NOT temporaries STREQUAL "Folder.tmp;Out.bin.tmp")
  message(FATAL_ERROR "temporary files were left or the user's removed: ${temporaries}")
endif()
foreach(kept Folder.tmp Out.bin.tmp)
  file(READ ${WORK}/${kept} contents)
  if(NOT contents STREQUAL "mine")
    message(FATAL_ERROR "${kept} was overwritten")
  endif()
endforeach()

run(2 ${TOOL} frobnicate)
