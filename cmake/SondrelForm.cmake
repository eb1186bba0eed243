# sondrel_add_form(TARGET FORM file.frm HEADER Header.h LIBRARY library
#                  [CLASS TClass] [REGISTER TOther...])
#
# Makes the readable form definition FORM the one place that names a form's
# components, and embeds it into TARGET:
#  - The form class's code is generated from it. <name>.frm.h declares
#    <CLASS>Base, a form with a field for each component of the definition;
#    the program's form class CLASS, declared in HEADER, derives from it and
#    declares the event handlers the definition names. <name>.frm.cpp,
#    compiled into LIBRARY, defines CLASS's published tables and class record.
#    A handler the definition names that CLASS does not declare is a compiler
#    error located at the definition's line.
#  - The definition is checked against the classes of LIBRARY (an unknown
#    class or property, a value of the wrong kind, an event without its method
#    or with other parameters) and compiled with the library's own converter;
#    a wrong definition fails the build with its located problems.
#  - The result is embedded into TARGET as the RCDATA resource named after
#    CLASS, where the form's constructor looks for it (TARGET's project needs
#    the RC language).
#
# The form tool and the check are Windows programs: when cross-compiling they
# run through the emulator the toolchain names (CMAKE_CROSSCOMPILING_EMULATOR).
# CLASS defaults to the class of the definition's root component; REGISTER
# names the classes the program registers by name at run time, so that the
# check knows them too.
function(sondrel_add_form target)
  cmake_parse_arguments(ARG "" "FORM;CLASS;HEADER;LIBRARY" "REGISTER" ${ARGN})
  foreach(required FORM HEADER LIBRARY)
    if(NOT ARG_${required})
      message(FATAL_ERROR "sondrel_add_form(${target}): ${required} is required")
    endif()
  endforeach()
  if(NOT CMAKE_RC_COMPILER_LOADED)
    message(FATAL_ERROR "sondrel_add_form(${target}): the project needs the RC language (LANGUAGES CXX RC)")
  endif()
  if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    message(FATAL_ERROR "sondrel_add_form(${target}): the build runs Windows programs; "
                        "name an emulator in the toolchain (CMAKE_CROSSCOMPILING_EMULATOR, for example wine)")
  endif()
  get_filename_component(form ${ARG_FORM} ABSOLUTE)
  get_filename_component(name ${ARG_FORM} NAME_WE)
  get_filename_component(header ${ARG_HEADER} ABSOLUTE)
  get_filename_component(header_dir ${header} DIRECTORY)
  get_filename_component(header_name ${header} NAME)
  if(NOT ARG_CLASS)
    # The root component's line, the first that is neither blank nor a
    # comment: "Name: Class".
    file(STRINGS ${form} lines REGEX "^[ \t]*[^ \t#]")
    list(GET lines 0 root)
    if(NOT root MATCHES ":[ \t]*([A-Za-z_][A-Za-z_0-9]*)")
      message(FATAL_ERROR "sondrel_add_form(${target}): ${ARG_FORM} names no root class; give CLASS")
    endif()
    set(ARG_CLASS ${CMAKE_MATCH_1})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${form})
  endif()
  set(gen ${CMAKE_CURRENT_BINARY_DIR}/forms)

  # The form class's code.
  add_custom_command(OUTPUT ${gen}/${name}.frm.h ${gen}/${name}.frm.cpp
    COMMAND ${CMAKE_COMMAND} -E make_directory ${gen}
    COMMAND ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:Sondrel::sondrel-form>
            code ${form} ${header_name} ${gen}/${name}.frm.h ${gen}/${name}.frm.cpp
    DEPENDS ${form} Sondrel::sondrel-form
    COMMENT "Generating the code of ${ARG_CLASS} from ${ARG_FORM}"
    VERBATIM)
  target_sources(${ARG_LIBRARY} PRIVATE ${gen}/${name}.frm.h ${gen}/${name}.frm.cpp)
  target_include_directories(${ARG_LIBRARY} PUBLIC $<BUILD_INTERFACE:${gen}> PRIVATE ${header_dir})

  # The check, in a program made for it: the form tool linked with LIBRARY.
  set(checker ${target}_${ARG_CLASS}_check)
  set(SONDREL_FORM_HEADER ${header_name})
  set(SONDREL_FORM_CLASSES "${ARG_CLASS}::StaticClass()")
  foreach(cls ${ARG_REGISTER})
    string(APPEND SONDREL_FORM_CLASSES ", ${cls}::StaticClass()")
  endforeach()
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/SondrelChecker.cpp.in ${gen}/${ARG_CLASS}Check.cpp @ONLY)
  add_executable(${checker} ${gen}/${ARG_CLASS}Check.cpp)
  target_include_directories(${checker} PRIVATE ${header_dir})
  target_link_libraries(${checker} PRIVATE Sondrel::FormTool ${ARG_LIBRARY})

  string(TOUPPER ${ARG_CLASS} resource)
  add_custom_command(OUTPUT ${gen}/${ARG_CLASS}.bin
    COMMAND ${checker} text2bin --check ${form} ${gen}/${ARG_CLASS}.bin
    DEPENDS ${form} ${checker}
    COMMENT "Checking and compiling ${ARG_FORM}"
    VERBATIM)
  file(CONFIGURE OUTPUT ${gen}/${ARG_CLASS}.rc
       CONTENT "LANGUAGE 0, 0\n${resource} RCDATA \"${gen}/${ARG_CLASS}.bin\"\n")
  target_sources(${target} PRIVATE ${gen}/${ARG_CLASS}.rc)
  set_source_files_properties(${gen}/${ARG_CLASS}.rc PROPERTIES OBJECT_DEPENDS ${gen}/${ARG_CLASS}.bin)
endfunction()
