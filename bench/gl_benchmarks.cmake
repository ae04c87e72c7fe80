# Benchmarks that need a GL context or the running program, on a private Xvfb.
find_package(X11 REQUIRED)
set(MAREL_BENCH_SUPPORT ${PROJECT_SOURCE_DIR}/tests/support)

add_executable(draw_cycle_bench draw_cycle_bench.cpp ${MAREL_BENCH_SUPPORT}/process.cpp ${MAREL_BENCH_SUPPORT}/xvfb.cpp
               ${MAREL_BENCH_SUPPORT}/open_window.cpp)
target_link_libraries(draw_cycle_bench PRIVATE marel_gl benchmark::benchmark)

add_executable(startup_bench startup_bench.cpp ${MAREL_BENCH_SUPPORT}/process.cpp ${MAREL_BENCH_SUPPORT}/xvfb.cpp
               ${MAREL_BENCH_SUPPORT}/window_pixels.cpp)
target_link_libraries(startup_bench PRIVATE marel_options X11::X11 benchmark::benchmark)
target_compile_definitions(startup_bench PRIVATE MAREL_PROGRAM="$<TARGET_FILE:marel>"
                                                 BARE_WINDOW="$<TARGET_FILE:bare_window>")
add_dependencies(startup_bench marel bare_window)

# The start-up's reference: a bare freeglut window swapping one cleared frame.
add_executable(bare_window bare_window.cpp)
target_link_libraries(bare_window PRIVATE marel_options OpenGL::GL OpenGL::GLU GLUT::GLUT)
