# Benchmarks of the numerical core: triangulation and the geodesic inverse.
add_executable(bench_core ${CMAKE_CURRENT_LIST_DIR}/bench_core.cpp)
target_link_libraries(bench_core PRIVATE veltrane_engine benchmark::benchmark_main)
