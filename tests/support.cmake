# The test-support libraries that need no GoogleTest, shared by the tests and
# the benchmarks (included by both, defined once).
include_guard(GLOBAL)
find_package(X11 REQUIRED)

# Helper processes, private Xvfb servers, the polling waits, a window's
# pixels read back, windows found by title, the pointer motion on a window
# (XInput 2, which the program itself needs), the user's mouse (XTest).
add_library(marel_test_support STATIC ${CMAKE_CURRENT_LIST_DIR}/support/process.cpp
            ${CMAKE_CURRENT_LIST_DIR}/support/picture.cpp)
target_link_libraries(marel_test_support PUBLIC marel_options X11::X11 X11::Xi X11::Xtst)

# The program's window and scene opened on a private Xvfb, as at start, and read back.
add_library(marel_program_window STATIC ${CMAKE_CURRENT_LIST_DIR}/support/open_window.cpp)
target_link_libraries(marel_program_window PUBLIC marel_gl marel_test_support)
if(TARGET OpenGL::GLX)
    target_link_libraries(marel_program_window PUBLIC OpenGL::GLX)
endif()
