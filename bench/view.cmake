# Frame time of the 3D view, painted off screen (needs an X display, for
# example under xvfb-run).
if(TARGET veltrane_view)
  add_executable(bench_view ${CMAKE_CURRENT_LIST_DIR}/bench_view.cpp)
  target_link_libraries(bench_view PRIVATE veltrane_view benchmark::benchmark)
endif()
