# Sources of this feature; add files explicitly.
target_sources(velquin_gui PRIVATE
    PreferencesDialog.cpp PreferencesDialog.h
    RecentFilesDialog.cpp RecentFilesDialog.h
    ManualWindow.cpp ManualWindow.h
    AboutDialog.cpp AboutDialog.h
)
# The about box and the windows show the program's icon from the drawing the
# desktop installs, so the two never differ.
target_link_libraries(velquin_gui PRIVATE Qt6::Svg)
qt_add_resources(velquin_gui velquin_about_icon
    PREFIX /velquin
    BASE ${PROJECT_SOURCE_DIR}/packaging
    FILES ${PROJECT_SOURCE_DIR}/packaging/velquin.svg
)
