# Sources of this feature; add files explicitly.
velquin_add_test(edit_blur_test CORE BlurTest.cpp)
