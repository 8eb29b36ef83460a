# Cutting a node's picture into a grid of tiles, as nodes or as files.
target_sources(velquin_core PRIVATE
    MultiCut.cpp MultiCut.h
)
