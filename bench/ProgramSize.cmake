# Prints the program's size as built (with debug information) and stripped.
find_program(STRIP NAMES i686-w64-mingw32-strip REQUIRED)
get_filename_component(dir ${PROGRAM} DIRECTORY)
execute_process(COMMAND ${STRIP} -o ${dir}/sondrel-stripped.exe ${PROGRAM})
file(SIZE ${PROGRAM} built)
file(SIZE ${dir}/sondrel-stripped.exe stripped)
math(EXPR builtKB "${built} / 1024")
math(EXPR strippedKB "${stripped} / 1024")
message("Program size: ${builtKB} KB with debug information, ${strippedKB} KB stripped (target: at most 1024 KB)")
