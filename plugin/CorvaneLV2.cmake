# Corvane as an LV2 bundle, built from the plug-in's shared sources with the
# LV2 adapter (included by this folder's CMakeLists.txt, whose variables it uses):
#
#   corvane_plugin_lv2     the plug-in class on IPlugLV2 (static, for tests too)
#   corvane_lv2_bundle     <build>/corvane.lv2/corvane.so, exporting only the
#                          LV2 entry points (the plug-ins' and the editor UI's)
#   corvane_lv2_ttl        build-time tool writing the bundle's Turtle files
#                          from the plug-in itself
#
# Installed with `cmake --install <build> --component lv2` into
# CORVANE_LV2_INSTALL_DIR (default <prefix>/lib/lv2; ~/.lv2 for one user).
set(CORVANE_LV2_BUNDLE_DIR ${CMAKE_BINARY_DIR}/corvane.lv2 CACHE INTERNAL "The LV2 bundle in the build tree")
set(CORVANE_LV2_INSTALL_DIR "lib/lv2" CACHE STRING
    "Where `cmake --install` puts corvane.lv2 (relative to the prefix, or absolute such as $HOME/.lv2)")

corvane_library(corvane_plugin_lv2
  SOURCES ${CORVANE_PLUGIN_SOURCES} CorvaneLV2Def.cpp
  DEPS ${CORVANE_PLUGIN_DEPS} corvane_lv2 corvane_lv2_ui)
target_compile_definitions(corvane_plugin_lv2 PUBLIC CORVANE_API_LV2)

add_library(corvane_lv2_bundle MODULE CorvaneLV2Export.cpp)
target_link_libraries(corvane_lv2_bundle PRIVATE corvane_plugin_lv2)
target_compile_options(corvane_lv2_bundle PRIVATE ${CORVANE_WARNINGS})
set_target_properties(corvane_lv2_bundle PROPERTIES
  PREFIX "" OUTPUT_NAME corvane
  LIBRARY_OUTPUT_DIRECTORY ${CORVANE_LV2_BUNDLE_DIR}
  CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
target_link_options(corvane_lv2_bundle PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/exports.map -Wl,--no-undefined)
set_property(TARGET corvane_lv2_bundle APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/exports.map)

add_executable(corvane_lv2_ttl CorvaneLV2Ttl.cpp)
target_link_libraries(corvane_lv2_ttl PRIVATE corvane_plugin_lv2)
target_compile_options(corvane_lv2_ttl PRIVATE ${CORVANE_WARNINGS})

set(CORVANE_LV2_TTL ${CORVANE_LV2_BUNDLE_DIR}/manifest.ttl ${CORVANE_LV2_BUNDLE_DIR}/corvane.ttl
    ${CORVANE_LV2_BUNDLE_DIR}/presets.ttl)
# The generator runs on the build machine; a sanitizer build's leak report of
# process-lifetime caches must not fail the build.
add_custom_command(OUTPUT ${CORVANE_LV2_TTL}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CORVANE_LV2_BUNDLE_DIR}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:corvane_lv2_ttl> ${CORVANE_LV2_BUNDLE_DIR}
  DEPENDS corvane_lv2_ttl
  COMMENT "Describing the LV2 bundle" VERBATIM)
add_custom_target(corvane_lv2_ttl_files ALL DEPENDS ${CORVANE_LV2_TTL})
add_dependencies(corvane_lv2_bundle corvane_lv2_ttl_files)

install(FILES ${CORVANE_LV2_TTL} DESTINATION ${CORVANE_LV2_INSTALL_DIR}/corvane.lv2 COMPONENT lv2)
install(TARGETS corvane_lv2_bundle LIBRARY DESTINATION ${CORVANE_LV2_INSTALL_DIR}/corvane.lv2 COMPONENT lv2)
