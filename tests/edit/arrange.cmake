velquin_add_test(edit_arrange_test CORE ArrangeTest.cpp)
