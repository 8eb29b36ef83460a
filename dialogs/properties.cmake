# The node and canvas property dialogs and the pieces they share.
target_sources(velquin_gui PRIVATE
    BalloonTip.cpp BalloonTip.h
)
