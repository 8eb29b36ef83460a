# Blurring a whole 4000 x 3000 photograph with each method, with its JPEG encode.
add_executable(bench_blur ${CMAKE_CURRENT_LIST_DIR}/BlurBench.cpp)
target_link_libraries(bench_blur PRIVATE velquin_core bench_photos)
set_target_properties(bench_blur PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
