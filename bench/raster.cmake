target_sources(tesselor_bench PRIVATE "${CMAKE_CURRENT_LIST_DIR}/RasterBench.cpp")
target_link_libraries(tesselor_bench PRIVATE tesselor_raster)
