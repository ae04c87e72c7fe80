# The browser build (Emscripten): the program's own sources over the GL, GLU
# and GLUT layer of platform/web, packed into one self-contained page.
# Included from the top-level CMakeLists.txt after marel_core.

set(marel_web_dir ${CMAKE_CURRENT_SOURCE_DIR}/platform/web)
# WebAssembly's 128-bit SIMD, which every current browser has (the page checks
# for it), lets the step vectorise as the native build's does.
target_compile_options(marel_options INTERFACE -msimd128)
target_link_options(marel_options INTERFACE -msimd128)
find_program(MAREL_NODE node REQUIRED)
find_program(MAREL_PCF2BDF pcf2bdf REQUIRED)
set(MAREL_FONT_9X15 /usr/share/fonts/X11/misc/9x15.pcf.gz CACHE FILEPATH
    "The X misc-fixed 9x15 font (Debian: xfonts-base), as gzipped PCF")
if(NOT EXISTS ${MAREL_FONT_9X15})
    message(FATAL_ERROR "The browser build needs ${MAREL_FONT_9X15} (on Debian: xfonts-base)")
endif()

# The 9x15 font as data, made from the installed font at build time.
set(marel_font_cpp ${CMAKE_CURRENT_BINARY_DIR}/font_9x15.cpp)
add_custom_command(
    OUTPUT ${marel_font_cpp}
    COMMAND ${CMAKE_COMMAND} -DPCF2BDF=${MAREL_PCF2BDF} -DNODE=${MAREL_NODE} -DFONT=${MAREL_FONT_9X15}
            -DCONVERTER=${marel_web_dir}/bdf_to_cpp.js -DOUTPUT=${marel_font_cpp}
            -P ${marel_web_dir}/make_font.cmake
    DEPENDS ${MAREL_FONT_9X15} ${marel_web_dir}/bdf_to_cpp.js ${marel_web_dir}/make_font.cmake
    COMMENT "Turning the 9x15 font into data")

add_library(marel_gl STATIC
    camera/camera_look.cpp
    camera/input.cpp
    render/scene.cpp
    render/frame.cpp
    overlay/text_overlay.cpp
    overlay/frame_rate_display.cpp
    app/shell.cpp
    platform/web/monitors_web.cpp
    platform/web/gl_layer.cpp
    platform/web/toolkit.cpp
    platform/web/webgl.cpp
    ${marel_font_cpp}
)
target_link_libraries(marel_gl PUBLIC marel_core)

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
    add_executable(${target} app/main.cpp ${page_SOURCES})
    set_target_properties(${target} PROPERTIES SUFFIX ".js")
    target_link_libraries(${target} PRIVATE marel_gl)
    target_link_options(${target} PRIVATE ${marel_web_link_options})
    # The page is packed after linking: a change to it or to its packer links again.
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${marel_web_dir}/page.html ${marel_web_dir}/pack_page.js
                                                               ${CMAKE_CURRENT_SOURCE_DIR}/data/org.example.marel.svg)
    # None of Emscripten's own GLUT or legacy-GL emulation may be in the output.
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DSCRIPT=$<TARGET_FILE:${target}> -P ${marel_web_dir}/check_no_emulation.cmake
        COMMAND ${MAREL_NODE} ${marel_web_dir}/pack_page.js ${marel_web_dir}/page.html $<TARGET_FILE:${target}>
                ${CMAKE_CURRENT_SOURCE_DIR}/data/org.example.marel.svg ${page_PAGE}
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
    COMMAND ${CMAKE_COMMAND} -E copy ${marel_web_dir}/FONT-LICENCE.txt ${marel_web_dir}/README-web.txt
            ${CMAKE_CURRENT_BINARY_DIR}/page/
    COMMAND ${CMAKE_COMMAND} -E chdir ${CMAKE_CURRENT_BINARY_DIR}/page
            ${CMAKE_COMMAND} -E tar cf ${marel_web_zip} --format=zip
            index.html LICENSE.txt FONT-LICENCE.txt README-web.txt
    DEPENDS marel ${CMAKE_CURRENT_SOURCE_DIR}/LICENSE ${marel_web_dir}/FONT-LICENCE.txt ${marel_web_dir}/README-web.txt
    COMMENT "Packing ${marel_web_zip}")
add_custom_target(web_zip ALL DEPENDS ${marel_web_zip})

if(BUILD_TESTING)
    # The same program with a test-only hook that reads the camera.
    set(MAREL_WEB_PROBE_PAGE ${CMAKE_CURRENT_BINARY_DIR}/probe/index.html)
    # The same driven frame drawn by the native build on Mesa (scripts/web.sh
    # makes it with tests/web/reference.cpp before the tests run).
    set(MAREL_WEB_NATIVE_PICTURE ${CMAKE_CURRENT_BINARY_DIR}/native/picture.ppm CACHE FILEPATH
        "The native build's driven picture, which the page's is compared with")
    marel_web_page(marel_web_probe PAGE ${MAREL_WEB_PROBE_PAGE}
                   SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tests/web/eye_hook.cpp
                           ${CMAKE_CURRENT_SOURCE_DIR}/tests/web/driven_picture.cpp)
    # One driver, three engines: Chromium headless, Firefox and WebKitGTK each
    # on an Xvfb of its own (tests/web/engines.js).
    foreach(engine chromium firefox webkit)
        add_test(NAME web_page_${engine}
                 COMMAND ${MAREL_NODE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/web/page_test.js ${engine}
                         ${MAREL_WEB_PAGE} ${MAREL_WEB_PROBE_PAGE} ${MAREL_WEB_NATIVE_PICTURE})
        set_tests_properties(web_page_${engine} PROPERTIES LABELS web TIMEOUT 300)
    endforeach()
    add_test(NAME web_lighthouse COMMAND ${MAREL_NODE} ${CMAKE_CURRENT_SOURCE_DIR}/tests/web/lighthouse_test.js
                                         ${MAREL_WEB_PAGE})
    set_tests_properties(web_lighthouse PROPERTIES LABELS web TIMEOUT 300)
endif()

if(BUILD_TESTING)
    # The GL-free unit tests as WebAssembly, run under node (Emscripten's
    # CMake sets node as the emulator), on a GoogleTest built by Emscripten
    # from Debian's own sources (libgtest-dev).
    set(MAREL_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian: libgtest-dev)")
    if(NOT EXISTS ${MAREL_GOOGLETEST_SOURCE}/CMakeLists.txt)
        message(FATAL_ERROR "The browser build's unit tests need GoogleTest's sources (on Debian: libgtest-dev)")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${MAREL_GOOGLETEST_SOURCE} ${CMAKE_CURRENT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    add_subdirectory(tools)
    add_executable(core_tests tests/core/time_test.cpp tests/core/wave_test.cpp tests/core/camera_test.cpp
                              tests/core/physics_test.cpp tests/core/pointer_test.cpp)
    target_include_directories(core_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    target_link_libraries(core_tests PRIVATE marel_core marel_physics gtest_main)
    # The exit status is the tests' verdict: the runtime ends with main.
    target_link_options(core_tests PRIVATE -sENVIRONMENT=node -sEXIT_RUNTIME=1 -sALLOW_MEMORY_GROWTH=1
                                           -sNODERAWFS=1
                                           # Embedded: 3.1.6 would fetch() a separate .wasm under node 20.
                                           -sSINGLE_FILE=1)
    # Node itself, not the emulator CMake was given, whose flag node 20 refuses.
    add_test(NAME core_tests_node COMMAND ${MAREL_NODE} $<TARGET_FILE:core_tests>)
    set_tests_properties(core_tests_node PROPERTIES LABELS web)
endif()

if(BUILD_TESTING)
    # The field after the same driven steps, to be compared bit for bit with
    # the same source built natively (scripts/web.sh).
    add_executable(step_digest tests/web/step_digest.cpp)
    target_include_directories(step_digest PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
    target_link_libraries(step_digest PRIVATE marel_core)
    target_link_options(step_digest PRIVATE -sENVIRONMENT=node -sEXIT_RUNTIME=1 -sSINGLE_FILE=1)
endif()
