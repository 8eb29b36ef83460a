# The blur and trimming dialogs, multi-cut and saving a node's picture in the running frame.
velquin_add_test(frame_blur_test GUI
    BlurDialogsTest.cpp
    MultiCutCommandsTest.cpp
    NodeImageCommandsTest.cpp
    FrameFixture.cpp FrameFixture.h
)
