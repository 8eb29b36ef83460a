velquin_add_test(edit_images_test CORE AddImagesTest.cpp CopyPasteTest.cpp OrientationWaysInTest.cpp
    TrueColourWaysInTest.cpp ImagesTestSupport.h)
target_link_libraries(edit_images_test PRIVATE imaging_test_support)
