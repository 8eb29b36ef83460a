# The blur settings and trimming-by-size dialogs, and the multi-cut settings window.
target_sources(velquin_gui PRIVATE
    CBokashiDlg.cpp CBokashiDlg.h
    CCutDlg.cpp CCutDlg.h
    CMultuCutDlg.cpp CMultuCutDlg.h
    TileCountSpin.cpp TileCountSpin.h
)
