target_sources(velquin_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/MainWindow.cpp ${CMAKE_CURRENT_LIST_DIR}/MainWindow.h
    ${CMAKE_CURRENT_LIST_DIR}/MainWindowCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainWindowMenus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/StatusBar.cpp ${CMAKE_CURRENT_LIST_DIR}/StatusBar.h
    ${CMAKE_CURRENT_LIST_DIR}/CommandTable.cpp ${CMAKE_CURRENT_LIST_DIR}/CommandTable.h
    ${CMAKE_CURRENT_LIST_DIR}/KeyTables.cpp ${CMAKE_CURRENT_LIST_DIR}/KeyTables.h
    ${CMAKE_CURRENT_LIST_DIR}/ToolbarIcons.cpp ${CMAKE_CURRENT_LIST_DIR}/ToolbarIcons.h
    ${CMAKE_CURRENT_LIST_DIR}/VisualStyles.cpp ${CMAKE_CURRENT_LIST_DIR}/VisualStyles.h
)
