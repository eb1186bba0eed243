# sondrel_add_form(TARGET FORM file.frm CLASS TClass HEADER Header.h LIBRARY lib
#                  [REGISTER TOther...])
#
# Checks the readable form definition FORM against the classes of LIBRARY,
# compiles it with the library's own converter and embeds it into TARGET as
# the RCDATA resource named after CLASS, where the form's constructor looks
# for it. A wrong definition (an unknown class or property, a value of the
# wrong kind, an event without its method, a published field without its
# component) fails the build with the located problems.
#
# The check runs in a small program made for TARGET: the form tool linked with
# LIBRARY, which holds CLASS (declared in HEADER); REGISTER names the classes
# the program registers by name at run time, so the check knows them too.
function(sondrel_add_form target)
  cmake_parse_arguments(ARG "" "FORM;CLASS;HEADER;LIBRARY" "REGISTER" ${ARGN})
  foreach(required FORM CLASS HEADER LIBRARY)
    if(NOT ARG_${required})
      message(FATAL_ERROR "sondrel_add_form(${target}): ${required} is required")
    endif()
  endforeach()
  get_filename_component(form ${ARG_FORM} ABSOLUTE)
  set(gen ${CMAKE_CURRENT_BINARY_DIR}/forms/${ARG_CLASS})
  set(checker ${target}_${ARG_CLASS}_check)

  set(SONDREL_FORM_HEADER ${ARG_HEADER})
  set(SONDREL_FORM_CLASSES "${ARG_CLASS}::StaticClass()")
  foreach(cls ${ARG_REGISTER})
    string(APPEND SONDREL_FORM_CLASSES ", ${cls}::StaticClass()")
  endforeach()
  configure_file(${SONDREL_FORMTOOL_DIR}/Checker.cpp.in ${gen}/Checker.cpp @ONLY)
  add_executable(${checker} ${gen}/Checker.cpp $<TARGET_OBJECTS:runtime_strings>)
  target_link_libraries(${checker} PRIVATE formtool ${ARG_LIBRARY})

  string(TOUPPER ${ARG_CLASS} resource)
  add_custom_command(OUTPUT ${gen}/${ARG_CLASS}.bin
    COMMAND ${SONDREL_RUNNER} $<TARGET_FILE:${checker}> text2bin --check ${form} ${gen}/${ARG_CLASS}.bin
    DEPENDS ${form} ${checker}
    COMMENT "Checking and compiling ${ARG_FORM}"
    VERBATIM)
  file(CONFIGURE OUTPUT ${gen}/${ARG_CLASS}.rc
       CONTENT "LANGUAGE 0, 0\n${resource} RCDATA \"${gen}/${ARG_CLASS}.bin\"\n")
  target_sources(${target} PRIVATE ${gen}/${ARG_CLASS}.rc)
  set_source_files_properties(${gen}/${ARG_CLASS}.rc PROPERTIES OBJECT_DEPENDS ${gen}/${ARG_CLASS}.bin)
endfunction()
