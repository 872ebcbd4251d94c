# bench_conversion: the whole conversion run on generated point files.
add_executable(bench_conversion ${CMAKE_CURRENT_LIST_DIR}/bench_conversion.cpp)
target_link_libraries(bench_conversion PRIVATE veltrane_engine benchmark::benchmark)
target_compile_definitions(bench_conversion PRIVATE VELTRANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
set_target_properties(bench_conversion PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
