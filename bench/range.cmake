# Trimming and executing the blur on a 4000 x 3000 photograph.
add_executable(bench_range ${CMAKE_CURRENT_LIST_DIR}/RangeBench.cpp)
target_link_libraries(bench_range PRIVATE velquin_core bench_photos)
set_target_properties(bench_range PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
