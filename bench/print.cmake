# Printing a 10000 x 7500 canvas at 600 dpi to PDF: time and peak memory.
add_executable(bench_print ${CMAKE_CURRENT_LIST_DIR}/print/PrintBench.cpp)
target_link_libraries(bench_print PRIVATE velquin_print bench_photos)
set_target_properties(bench_print PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
