# "Convert!" in the window on the 20,000-point sample, from the click to the
# end of the run (needs an X display, for example under xvfb-run).
if(TARGET veltrane_app)
  add_executable(bench_window ${CMAKE_CURRENT_LIST_DIR}/bench_window.cpp)
  target_link_libraries(bench_window PRIVATE veltrane_app benchmark::benchmark)
  target_compile_definitions(bench_window PRIVATE VELTRANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  set_target_properties(bench_window PROPERTIES AUTOUIC OFF)
endif()
