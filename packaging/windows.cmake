# The Windows build's extras: the icon and the version information as
# resources of marel.exe, and the texts that its zip and installer carry.
# Included by the top-level CMakeLists.txt after packaging/documents.cmake,
# whose copyright holder it uses.
enable_language(RC)

# The icon, drawn from the same SVG as the Linux one at the sizes Windows shows
# (16 to 48 pixels in lists and the task bar, 256 in large views).
find_program(MAREL_RSVG_CONVERT rsvg-convert REQUIRED)
find_program(MAREL_ICOTOOL icotool REQUIRED)
set(marel_icon_sizes 16 24 32 48 256)
set(marel_icon_pngs "")
foreach(size IN LISTS marel_icon_sizes)
    set(png ${PROJECT_BINARY_DIR}/icon/marel-${size}.png)
    add_custom_command(OUTPUT ${png}
                       COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icon
                       COMMAND ${MAREL_RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PROJECT_SOURCE_DIR}/data/${MAREL_APP_ID}.svg
                       DEPENDS ${PROJECT_SOURCE_DIR}/data/${MAREL_APP_ID}.svg
                       VERBATIM)
    list(APPEND marel_icon_pngs ${png})
endforeach()
# The largest as PNG inside the icon file, as Windows Vista and later expect.
list(POP_BACK marel_icon_pngs marel_icon_large)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/marel.ico
                   COMMAND ${MAREL_ICOTOOL} -c -o ${PROJECT_BINARY_DIR}/marel.ico ${marel_icon_pngs}
                           -r ${marel_icon_large}
                   DEPENDS ${marel_icon_pngs} ${marel_icon_large}
                   VERBATIM)

# Version numbers as the resource wants them: four parts, commas between.
set(MAREL_VERSION_COMMAS "${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0")
set(MAREL_COPYRIGHT_HOLDER "${marel_copyright_holder}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/marel.rc.in ${PROJECT_BINARY_DIR}/marel.rc @ONLY)
target_sources(marel PRIVATE ${PROJECT_BINARY_DIR}/marel.rc)
set_source_files_properties(${PROJECT_BINARY_DIR}/marel.rc PROPERTIES OBJECT_DEPENDS ${PROJECT_BINARY_DIR}/marel.ico)

# The installer's script and the short text for Windows users, with the
# version filled in; scripts/windows.sh packs them.
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/marel.nsi.in ${PROJECT_BINARY_DIR}/marel.nsi @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README-windows.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY)
