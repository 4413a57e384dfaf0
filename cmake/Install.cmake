# What `cmake --install` puts where, relative to the prefix (so DESTDIR and
# --prefix relocate all of it) and by component:
#
#   lv2      lib/lv2/corvane.lv2 (rules in plugin/CorvaneLV2.cmake)
#   command  bin/corvane, its manual page and bash completion
#   desktop  the desktop entry and the icons for `corvane gui`
#   doc      share/doc/corvane: the README and the licence; with
#            CORVANE_DEBIAN_DOCS, Debian's copyright file and the changelog (changelog.gz: the
#            package is native, made by its own upstream)
#            in place of the licence (what the package installs)
option(CORVANE_DEBIAN_DOCS "Install the documentation as a Debian package does" OFF)

# The manual page, written by the command from its own help tables.
set(CORVANE_MAN_PAGE ${CMAKE_BINARY_DIR}/man/corvane.1.gz)
add_custom_command(OUTPUT ${CORVANE_MAN_PAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          sh -c "\"$1\" help --man | gzip -9n > \"$2\"" sh $<TARGET_FILE:corvane> ${CORVANE_MAN_PAGE}
  DEPENDS corvane
  COMMENT "Writing the manual page" VERBATIM)
add_custom_target(corvane_man_page ALL DEPENDS ${CORVANE_MAN_PAGE})

install(TARGETS corvane RUNTIME DESTINATION bin COMPONENT command)
install(FILES ${CORVANE_MAN_PAGE} DESTINATION share/man/man1 COMPONENT command)
install(FILES packaging/corvane.bash-completion DESTINATION share/bash-completion/completions
        RENAME corvane COMPONENT command)

install(FILES packaging/corvane.desktop DESTINATION share/applications COMPONENT desktop)
install(DIRECTORY ${CORVANE_ICON_DIR}/ DESTINATION share/icons/hicolor COMPONENT desktop)

install(FILES README.md DESTINATION share/doc/corvane COMPONENT doc)
if(CORVANE_DEBIAN_DOCS)
  set(CORVANE_CHANGELOG ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(OUTPUT ${CORVANE_CHANGELOG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND sh -c "gzip -9n < \"$1\" > \"$2\"" sh ${PROJECT_SOURCE_DIR}/packaging/changelog
            ${CORVANE_CHANGELOG}
    DEPENDS packaging/changelog VERBATIM)
  add_custom_target(corvane_debian_changelog ALL DEPENDS ${CORVANE_CHANGELOG})
  install(FILES packaging/copyright ${CORVANE_CHANGELOG} DESTINATION share/doc/corvane COMPONENT doc)
else()
  install(FILES LICENSE DESTINATION share/doc/corvane COMPONENT doc)
endif()
