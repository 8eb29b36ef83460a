velquin_add_test(edit_images_test CORE AddImagesTest.cpp CopyPasteTest.cpp ImagesTestSupport.h)
