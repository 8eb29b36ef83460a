# The operations behind the node and canvas property dialogs.
target_sources(velquin_core PRIVATE
    NodeProperties.cpp NodeProperties.h
    CanvasProperties.cpp CanvasProperties.h
)
