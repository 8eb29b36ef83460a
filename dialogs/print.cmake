# Sources of this feature; add files explicitly.
target_sources(velquin_gui PRIVATE
    CInsatuDlg.cpp CInsatuDlg.h
    PrintPreview.cpp PrintPreview.h
)
