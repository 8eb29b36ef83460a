# The range modes (trimming, blur, multi-cut): entering and leaving them, the
# range frame's commands, trimming and executing the blur.
target_sources(velquin_core PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/RangeModes.cpp ${CMAKE_CURRENT_LIST_DIR}/RangeModes.h
    ${CMAKE_CURRENT_LIST_DIR}/Trim.cpp ${CMAKE_CURRENT_LIST_DIR}/Trim.h
    ${CMAKE_CURRENT_LIST_DIR}/BlurExecute.cpp ${CMAKE_CURRENT_LIST_DIR}/BlurExecute.h
)
