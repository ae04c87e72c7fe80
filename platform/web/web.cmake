# The browser build (Emscripten): the program's own sources over the GL, GLU
# and GLUT layer of platform/web, packed into one self-contained page.
# Included from the top-level CMakeLists.txt after marel_core.

set(marel_web_dir ${CMAKE_CURRENT_SOURCE_DIR}/platform/web)
# WebAssembly's 128-bit SIMD, which every current browser has (the page checks
# for it), lets the step vectorise as the native build's does.
target_compile_options(marel_options INTERFACE -msimd128)
target_link_options(marel_options INTERFACE -msimd128)
find_program(MAREL_NODE node REQUIRED)

# The GL, GLU and GLUT subset on WebGL, the toolkit in the page, and the font.
target_sources(marel_gl PRIVATE
    ${marel_web_dir}/toolkit/monitors.cpp
    ${marel_web_dir}/gl/gl_layer.cpp
    ${marel_web_dir}/toolkit/toolkit.cpp
    ${marel_web_dir}/gl/webgl.cpp
    ${marel_web_dir}/font/font_9x15.cpp
)

# -sERROR_ON_UNDEFINED_SYMBOLS: an entry point our layer lacks is an error.
# No file system, no memory growth: the program reads no files and allocates
# nearly nothing. SINGLE_FILE embeds the WebAssembly, which a page opened
# from file:// could not fetch.
set(marel_web_link_options
    -sERROR_ON_UNDEFINED_SYMBOLS=1
    -sENVIRONMENT=web
    -sSINGLE_FILE=1
    -sFILESYSTEM=0
    -sMIN_WEBGL_VERSION=1
    -sMAX_WEBGL_VERSION=1
    -sEXIT_RUNTIME=0
    -sINITIAL_MEMORY=16777216)

function(marel_web_page target)
    cmake_parse_arguments(PARSE_ARGV 1 page "" "PAGE" "SOURCES")
    add_executable(${target} ${PROJECT_SOURCE_DIR}/app/main.cpp ${page_SOURCES})
    set_target_properties(${target} PROPERTIES SUFFIX ".js")
    target_link_libraries(${target} PRIVATE marel_gl)
    target_link_options(${target} PRIVATE ${marel_web_link_options})
    # The page is packed after linking: a change to it or to its packer links again.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${marel_web_dir}/page/page.html
                 ${marel_web_dir}/page/pack_page.js ${PROJECT_SOURCE_DIR}/data/org.example.marel.svg)
    # None of Emscripten's own GLUT or legacy-GL emulation may be in the output.
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DSCRIPT=$<TARGET_FILE:${target}> -P ${marel_web_dir}/gl/check_no_emulation.cmake
        COMMAND ${MAREL_NODE} ${marel_web_dir}/page/pack_page.js ${marel_web_dir}/page/page.html
                $<TARGET_FILE:${target}> ${PROJECT_SOURCE_DIR}/data/org.example.marel.svg ${page_PAGE}
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
