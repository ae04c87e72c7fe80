# The browser build's tests, included from platform/web/web.cmake when
# BUILD_TESTING is on: the test build of the page and its checks in three
# engines, the GL-free unit tests under node, and the step's digest.

find_program(MAREL_NODE node REQUIRED)
# The three engines, each but headless Chromium on an Xvfb of its own under
# openbox, moved by xdotool.
include(${PROJECT_SOURCE_DIR}/cmake/require_tools.cmake)
marel_require_tools("The page's tests" chromium:chromium firefox-esr:firefox-esr WebKitWebDriver:webkit2gtk-driver
                    Xvfb:xvfb openbox:openbox wmctrl:wmctrl xdotool:xdotool)

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

# The field after the same driven steps, to be compared bit for bit with
# the same source built natively (scripts/web.sh).
add_executable(step_digest tests/web/step_digest.cpp)
target_include_directories(step_digest PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
target_link_libraries(step_digest PRIVATE marel_core)
target_link_options(step_digest PRIVATE -sENVIRONMENT=node -sEXIT_RUNTIME=1 -sSINGLE_FILE=1)
