# Sources of this feature; add files explicitly.
target_sources(velquin_gui PRIVATE
    PrintDialog.cpp PrintDialog.h
    PrintPreview.cpp PrintPreview.h
)
