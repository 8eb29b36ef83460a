# The blur settings and trimming-by-size dialogs, and the multi-cut settings window.
target_sources(velquin_gui PRIVATE
    BlurSettingsDialog.cpp BlurSettingsDialog.h
    TrimBySizeDialog.cpp TrimBySizeDialog.h
    MultiCutWindow.cpp MultiCutWindow.h
    TileCountSpin.cpp TileCountSpin.h
)
