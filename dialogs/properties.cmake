# The node and canvas property dialogs and the pieces they share.
target_sources(velquin_gui PRIVATE
    BalloonTip.cpp BalloonTip.h
    ColorPickerButton.cpp ColorPickerButton.h
    FrameStyleCombo.cpp FrameStyleCombo.h
    NumberSpin.cpp NumberSpin.h
    PicturePreview.cpp PicturePreview.h
    ImagePropertiesDialog.cpp ImagePropertiesDialog.h
    CanvasPropertiesDialog.cpp CanvasPropertiesDialog.h
)
# The style samples are drawn by the canvas's own frame painter.
target_sources(velquin_core PRIVATE
    ${PROJECT_SOURCE_DIR}/view/FrameSamples.cpp ${PROJECT_SOURCE_DIR}/view/FrameSamples.h
)
