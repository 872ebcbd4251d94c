# veltrane-convert: the conversion run from the command line, writing the
# same files as the window.
add_executable(veltrane-convert ${CMAKE_CURRENT_LIST_DIR}/veltrane_convert.cpp)
target_link_libraries(veltrane-convert PRIVATE veltrane_engine)
target_compile_definitions(veltrane-convert PRIVATE VELTRANE_VERSION="${PROJECT_VERSION}")
set_target_properties(veltrane-convert PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
