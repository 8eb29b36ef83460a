target_sources(velquin_gui PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/CMainFrame.cpp ${CMAKE_CURRENT_LIST_DIR}/CMainFrame.h
    ${CMAKE_CURRENT_LIST_DIR}/CMyStatusBar.cpp ${CMAKE_CURRENT_LIST_DIR}/CMyStatusBar.h
)
