# Preferences, the recent-file manager, the manual window and the about box.
velquin_add_test(system_dialogs_tests GUI
    FrameFixture.cpp FrameFixture.h
    DialogAnswers.h
    ModalDriver.h
    PreferencesTest.cpp
    RecentFilesTest.cpp
    ManualTest.cpp
    AboutTest.cpp
)
