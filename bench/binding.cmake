# The plug-in driven through its VST 3 processor interface, as hosts run it.
target_sources(tesselor_bench PRIVATE "${CMAKE_CURRENT_LIST_DIR}/BindingBench.cpp")
target_link_libraries(tesselor_bench PRIVATE tesselor_plugin)
