# The installed package (cmake --install BUILD --prefix DIR):
#   include/sondrel/          the headers, one tree
#   lib/libsondrel_*.a        a static library a layer
#   lib/sondrel/SondrelStrings.obj
#                             the string table every program links once
#   bin/sondrel-form.exe      the form tool
#   lib/cmake/Sondrel/        SondrelConfig.cmake and its version file, the
#                             exported targets, sondrel_add_form
# A program then needs find_package(Sondrel REQUIRED) and links
# Sondrel::Sondrel (or single layers: Sondrel::Runtime ... Sondrel::Menus).
include(CMakePackageConfigHelpers)

set(SONDREL_LAYERS runtime classes graphics controls forms stdctrls menus formtool)
install(TARGETS ${SONDREL_LAYERS} strings sondrel_all EXPORT SondrelTargets
        ARCHIVE DESTINATION lib)
install(TARGETS sondrel-form EXPORT SondrelTargets RUNTIME DESTINATION bin)
foreach(layer ${SONDREL_LAYERS})
  file(GLOB headers ${PROJECT_SOURCE_DIR}/${layer}/*.h)
  install(FILES ${headers} DESTINATION include/sondrel)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/runtime/ResStrings.def DESTINATION include/sondrel)
install(FILES $<TARGET_OBJECTS:runtime_strings> DESTINATION lib/sondrel RENAME SondrelStrings.obj)

set(config_dir lib/cmake/Sondrel)
install(EXPORT SondrelTargets NAMESPACE Sondrel:: DESTINATION ${config_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/SondrelConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/SondrelConfig.cmake INSTALL_DESTINATION ${config_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/SondrelConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion ARCH_INDEPENDENT)
install(FILES ${PROJECT_BINARY_DIR}/SondrelConfig.cmake ${PROJECT_BINARY_DIR}/SondrelConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/SondrelForm.cmake ${PROJECT_SOURCE_DIR}/cmake/SondrelChecker.cpp.in
        DESTINATION ${config_dir})
