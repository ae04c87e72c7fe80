# The browser build (Emscripten): the program's own sources over the GL, GLU
# and GLUT layer of platform/web, written by Emscripten as one self-contained
# page.
# Included from the top-level CMakeLists.txt after marel_core.

set(marel_web_dir ${CMAKE_CURRENT_SOURCE_DIR}/platform/web)
# WebAssembly's 128-bit SIMD, which every current browser has (the page checks
# for it), lets the step vectorise as the native build's does.
target_compile_options(marel_options INTERFACE -msimd128)
target_link_options(marel_options INTERFACE -msimd128)

# The GL, GLU and GLUT subset on WebGL, the toolkit in the page, and the font.
target_sources(marel_gl PRIVATE
    ${marel_web_dir}/toolkit/monitors.cpp
    ${marel_web_dir}/gl/gl_layer.cpp
    ${marel_web_dir}/toolkit/toolkit.cpp
    ${marel_web_dir}/gl/webgl.cpp
    ${marel_web_dir}/font/font_9x15.cpp
)

# The page's icon as a data URL, so that the page asks a server for no
# favicon: the SVG with the few characters a URL or the attribute cannot hold
# escaped.
set(marel_icon ${PROJECT_SOURCE_DIR}/data/org.example.marel.svg)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${marel_icon})
file(READ ${marel_icon} marel_icon_svg)
foreach(pair "%;%25" "#;%23" "\";%22" "<;%3C" ">;%3E" "\n;%0A")
    list(GET pair 0 from)
    list(GET pair 1 to)
    string(REPLACE "${from}" "${to}" marel_icon_svg "${marel_icon_svg}")
endforeach()
set(MAREL_ICON_URL "data:image/svg+xml,${marel_icon_svg}")
# Emscripten writes the page from this shell, the program inline in it.
set(marel_web_shell ${CMAKE_CURRENT_BINARY_DIR}/page-shell.html)
configure_file(${marel_web_dir}/page/page.html ${marel_web_shell} @ONLY)

# -sERROR_ON_UNDEFINED_SYMBOLS: an entry point our layer lacks is an error.
# No file system, no memory growth: the program reads no files and allocates
# nearly nothing. SINGLE_FILE embeds the WebAssembly, which a page opened
# from file:// could not fetch. MODULARIZE: the script only defines
# createMarel, which the page calls once its checks have passed. Debian 12's
# emcc cannot minify the HTML (its minifier fails), and the page is small.
set(marel_web_link_options
    -sERROR_ON_UNDEFINED_SYMBOLS=1
    -sENVIRONMENT=web
    -sSINGLE_FILE=1
    -sMODULARIZE=1
    -sEXPORT_NAME=createMarel
    -sMINIFY_HTML=0
    --shell-file ${marel_web_shell}
    -sFILESYSTEM=0
    -sMIN_WEBGL_VERSION=1
    -sMAX_WEBGL_VERSION=1
    -sEXIT_RUNTIME=0
    -sINITIAL_MEMORY=16777216)

# A page: the program, with the given sources, written as PAGE.
function(marel_web_page target)
    cmake_parse_arguments(PARSE_ARGV 1 page "" "PAGE" "SOURCES")
    add_executable(${target} ${PROJECT_SOURCE_DIR}/app/main.cpp ${page_SOURCES})
    get_filename_component(page_dir ${page_PAGE} DIRECTORY)
    get_filename_component(page_name ${page_PAGE} NAME_WE)
    set_target_properties(${target} PROPERTIES SUFFIX ".html" OUTPUT_NAME ${page_name}
                          RUNTIME_OUTPUT_DIRECTORY ${page_dir})
    target_link_libraries(${target} PRIVATE marel_gl)
    target_link_options(${target} PRIVATE ${marel_web_link_options})
    # A change to the shell links the page again.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${marel_web_shell})
    # None of Emscripten's own GLUT or legacy-GL emulation may be in the output.
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DSCRIPT=$<TARGET_FILE:${target}> -P ${marel_web_dir}/gl/check_no_emulation.cmake
        VERBATIM)
endfunction()

set(MAREL_WEB_PAGE ${CMAKE_CURRENT_BINARY_DIR}/page/index.html)
marel_web_page(marel PAGE ${MAREL_WEB_PAGE})

# The zip for teachers: the page, the licences and a short README.
set(marel_web_zip ${CMAKE_CURRENT_BINARY_DIR}/marel-${PROJECT_VERSION}-web.zip)
add_custom_command(
    OUTPUT ${marel_web_zip}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${marel_web_zip}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_BINARY_DIR}/page/LICENSE.txt
    COMMAND ${CMAKE_COMMAND} -E copy ${marel_web_dir}/page/FONT-LICENCE.txt ${marel_web_dir}/page/README-web.txt
            ${CMAKE_CURRENT_BINARY_DIR}/page/
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_CURRENT_BINARY_DIR}/page
            ${CMAKE_COMMAND} -E tar cf ${marel_web_zip} --format=zip
            index.html LICENSE.txt FONT-LICENCE.txt README-web.txt
    DEPENDS marel ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE ${marel_web_dir}/page/FONT-LICENCE.txt
            ${marel_web_dir}/page/README-web.txt
    COMMENT "Packing ${marel_web_zip}")
add_custom_target(web_zip ALL DEPENDS ${marel_web_zip})

# The browser build's tests: the page in three engines, the unit tests
# under node, the step's digest.
if(BUILD_TESTING)
    include(tests/web/web_tests.cmake)
endif()
