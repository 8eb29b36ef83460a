velquin_add_test(edit_rotate_test CORE RotateTest.cpp)
