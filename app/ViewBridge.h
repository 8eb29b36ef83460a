#pragma once

#include "view/RangeMode.h"

#include <functional>

namespace vq::viewbridge {

// The frame reaches the canvas only through these. Each one asks the compiler
// whether the canvas offers the operation, so the frame builds against the
// canvas as it stands; an operation the canvas lacks yields no handler, which
// leaves its command disabled.

template <class View>
RangeMode* rangeMode(View& view)
{
    if constexpr (requires { view.rangeMode(); })
        return &view.rangeMode();
    else
        return nullptr;
}

template <class View>
std::function<void()> zoomHandler(View& view, int id)
{
    if constexpr (requires { view.OnZoomCommand(id); })
        return [&view, id] { view.OnZoomCommand(id); };
    else
        return {};
}

template <class View>
std::function<void()> consoleAlwaysHandler(View& view)
{
    if constexpr (requires { view.OnToggleConsoleAlways(); })
        return [&view] { view.OnToggleConsoleAlways(); };
    else
        return {};
}

template <class View>
std::function<void()> consoleTopLeftHandler(View& view)
{
    if constexpr (requires { view.OnConsoleTopLeft(); })
        return [&view] { view.OnConsoleTopLeft(); };
    else
        return {};
}

} // namespace vq::viewbridge
