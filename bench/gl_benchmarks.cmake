# Benchmarks that need a GL context or the running program, on a private Xvfb,
# through the tests' GoogleTest-free support libraries.
include(${PROJECT_SOURCE_DIR}/tests/support.cmake)

add_executable(draw_cycle_bench draw_cycle_bench.cpp)
target_link_libraries(draw_cycle_bench PRIVATE marel_program_window benchmark::benchmark)

add_executable(startup_bench startup_bench.cpp)
target_link_libraries(startup_bench PRIVATE marel_test_support benchmark::benchmark)
target_compile_definitions(startup_bench PRIVATE MAREL_PROGRAM="$<TARGET_FILE:marel>"
                                                 BARE_WINDOW="$<TARGET_FILE:bare_window>")
add_dependencies(startup_bench marel bare_window)

# The start-up's reference: a bare freeglut window swapping one cleared frame.
add_executable(bare_window bare_window.cpp)
target_link_libraries(bare_window PRIVATE marel_options OpenGL::GL OpenGL::GLU GLUT::GLUT)

# Frames per second of the native build and of another (the Windows build
# under Wine), counted from outside through X damage reports, for
# scripts/windows.sh --speed. It starts the program as the end-to-end tests
# do, through their support (GoogleTest's assertions included), so it is built
# where the tests are.
if(TARGET marel_e2e_support AND X11_Xdamage_FOUND)
    add_executable(frame_rate_outside frame_rate_outside.cpp)
    target_link_libraries(frame_rate_outside PRIVATE marel_e2e_support X11::Xdamage)
endif()
