# The range modes, trimming and executing the blur, on a document alone.
velquin_add_test(edit_range_test CORE RangeTest.cpp)
target_link_libraries(edit_range_test PRIVATE Qt6::Test)
