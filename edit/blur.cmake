# Blurring a region of a picture, and writing one node's picture to a file.
target_sources(velquin_core PRIVATE
    Blur.cpp Blur.h
    SaveNodeImage.cpp SaveNodeImage.h
)
