# The equaliser's audio path, against the literal evaluation kept with its tests.
target_sources(tesselor_bench PRIVATE
    "${CMAKE_CURRENT_LIST_DIR}/EqBench.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/EqBenchSupport.cpp"
    "${PROJECT_SOURCE_DIR}/tests/plugin/eq/LiteralEq.cpp"
)
target_link_libraries(tesselor_bench PRIVATE tesselor_eq)
