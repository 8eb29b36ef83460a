# Printing: the layout arithmetic and paper list (no window), the page loop
# into PDF files read back with poppler, the dialog, and the real print system.
velquin_add_test(print_layout_test CORE PrintLayoutTest.cpp PosterLayoutTest.cpp)
target_link_libraries(print_layout_test PRIVATE velquin_print)
velquin_add_test(print_pages_test GUI PagePrinterTest.cpp PosterPrintTest.cpp PrintScene.h)
velquin_add_test(print_dialog_test GUI PrintDialogTest.cpp PrintCommandsTest.cpp PrintScene.h FrameFixture.cpp FrameFixture.h)
# One test per process (as CTest runs them): the CUPS client library must be
# pointed at the test's own daemon before its first use.
velquin_add_test(print_cups_test GUI CupsPrintTest.cpp PrintScene.h)
