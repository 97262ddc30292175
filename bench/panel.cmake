# The editor panel of the equaliser.
target_sources(tesselor_bench PRIVATE "${CMAKE_CURRENT_LIST_DIR}/PanelBench.cpp")
target_link_libraries(tesselor_bench PRIVATE tesselor_plugin)
