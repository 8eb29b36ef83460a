target_sources(velquin_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CMainFrame.cpp ${CMAKE_CURRENT_LIST_DIR}/CMainFrame.h
    ${CMAKE_CURRENT_LIST_DIR}/MainFrameCommands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/MainFrameMenus.cpp
    ${CMAKE_CURRENT_LIST_DIR}/CMyStatusBar.cpp ${CMAKE_CURRENT_LIST_DIR}/CMyStatusBar.h
    ${CMAKE_CURRENT_LIST_DIR}/CommandTable.cpp ${CMAKE_CURRENT_LIST_DIR}/CommandTable.h
    ${CMAKE_CURRENT_LIST_DIR}/KeyTables.cpp ${CMAKE_CURRENT_LIST_DIR}/KeyTables.h
    ${CMAKE_CURRENT_LIST_DIR}/ToolbarIcons.cpp ${CMAKE_CURRENT_LIST_DIR}/ToolbarIcons.h
    ${CMAKE_CURRENT_LIST_DIR}/VisualStyles.cpp ${CMAKE_CURRENT_LIST_DIR}/VisualStyles.h
)
