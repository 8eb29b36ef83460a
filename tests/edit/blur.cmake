# Sources of this feature; add files explicitly.
velquin_add_test(edit_blur_test CORE BlurTest.cpp)
velquin_add_test(edit_save_node_image_test CORE SaveNodeImageTest.cpp)
