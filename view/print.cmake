# Printing: the layout arithmetic, the paper list and the page loop. They need
# Qt's print support but no widgets, so the program and vqdtool share them.
add_library(velquin_print STATIC
    PaperTable.cpp PaperTable.h
    PrintLayout.cpp PrintLayout.h
    PagePrinter.cpp PagePrinter.h
)
target_link_libraries(velquin_print PUBLIC velquin_core Qt6::PrintSupport)
target_link_libraries(velquin_gui PUBLIC velquin_print)
