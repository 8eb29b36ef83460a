# The property dialogs through their commands, the canvas and real input.
velquin_add_test(properties_dialog_test GUI
    PropertyDialogsTest.cpp
    FrameFixture.cpp FrameFixture.h
    DialogAnswers.h
)
