# The range modes in the running frame, driven as a user drives them.
velquin_add_test(frame_range_test GUI
    RangeCommandsTest.cpp
    FrameFixture.cpp FrameFixture.h
    DialogAnswers.h
)
