# veltrane-datagen: writes the Tarvona sample data (data/) and large input
# files for benchmarks. Draws the base map with QtGui, so it needs Gui even
# when the window is not built.
find_package(Qt5 5.15 REQUIRED COMPONENTS Gui)

file(GLOB VELTRANE_DATAGEN_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/datagen/*.cpp)
add_executable(veltrane-datagen ${VELTRANE_DATAGEN_SOURCES})
target_link_libraries(veltrane-datagen PRIVATE veltrane_engine Qt5::Gui)
set_target_properties(veltrane-datagen PROPERTIES AUTOMOC OFF AUTOUIC OFF AUTORCC OFF)
