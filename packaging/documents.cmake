# The manual page and the documents that go with the program: the licence as a
# machine-readable copyright file, and the changelog. Included by the top-level
# CMakeLists.txt, after GNUInstallDirs.

find_program(MAREL_GZIP gzip)

# gzip -9n: no name or time stamp inside, so the result is reproducible.
function(marel_compress source output)
    add_custom_command(OUTPUT ${output}
                       COMMAND ${MAREL_GZIP} -9n -c ${source} > ${output}
                       DEPENDS ${source}
                       VERBATIM)
endfunction()

# The manual page, with the project's version filled in; compressed, as Debian
# wants it, where gzip is at hand (man reads either form).
configure_file(${PROJECT_SOURCE_DIR}/docs/marel.6.in ${PROJECT_BINARY_DIR}/marel.6 @ONLY)
if(MAREL_GZIP)
    marel_compress(${PROJECT_BINARY_DIR}/marel.6 ${PROJECT_BINARY_DIR}/marel.6.gz)
    install(FILES ${PROJECT_BINARY_DIR}/marel.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
else()
    install(FILES ${PROJECT_BINARY_DIR}/marel.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endif()

# The changelog, in Debian's format. Its latest entry must be this version's:
# the package would otherwise ship a history that ends before it.
file(STRINGS ${PROJECT_SOURCE_DIR}/packaging/changelog marel_changelog_top LIMIT_COUNT 1)
if(NOT marel_changelog_top MATCHES "^marel \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "packaging/changelog: the latest entry is not for version ${PROJECT_VERSION}: "
                        "${marel_changelog_top}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
if(MAREL_GZIP)
    marel_compress(${PROJECT_SOURCE_DIR}/packaging/changelog ${PROJECT_BINARY_DIR}/changelog.gz)
    install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
else()
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/changelog DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
if(MAREL_GZIP)
    add_custom_target(marel_documents ALL DEPENDS ${PROJECT_BINARY_DIR}/marel.6.gz ${PROJECT_BINARY_DIR}/changelog.gz)
endif()

# The licence in the Debian copyright format (DEP-5), built from LICENSE so that
# the two cannot drift apart: the holder line becomes the Copyright field and
# the permission text the Expat licence paragraph, each line indented by one
# space and each empty line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE marel_licence)
if(NOT marel_licence MATCHES "Copyright \\(c\\) ([^\n]+)\n\n(.*)$")
    message(FATAL_ERROR "LICENSE: no \"Copyright (c) ...\" line followed by the licence text")
endif()
set(marel_copyright_holder "${CMAKE_MATCH_1}")
string(STRIP "${CMAKE_MATCH_2}" marel_licence_body)
string(REPLACE "\n\n" "\n.\n" marel_licence_body "${marel_licence_body}")
string(REPLACE "\n" "\n " marel_licence_body "${marel_licence_body}")
file(WRITE ${PROJECT_BINARY_DIR}/copyright
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: marel

Files: *
Copyright: ${marel_copyright_holder}
License: Expat
 ${marel_licence_body}
")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
install(FILES ${PROJECT_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
