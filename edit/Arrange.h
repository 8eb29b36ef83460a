#pragma once

#include "model/Geometry.h"

#include <cstdint>
#include <functional>

namespace vq {

class Document;

// Which edge of the main node the other selected nodes line up with.
enum class MainEdge { Left = 1, Right = 2, Top = 3, Bottom = 4 };
enum class Axis { Horizontal, Vertical };
// Which of the main node's measures the other selected nodes take.
enum class SizeMatch { Width, Height, Both };

// A node's box as drawn, taken back to canvas pixels: the origin and the
// extent are truncated separately, so it can be a pixel off the stored
// rectangle at zooms other than 1.
[[nodiscard]] IntRect DrawnBoxInCanvas(const Document& doc, int index);

// Each operation returns whether it acted, so that a caller can tell the view
// and the status panes; all but the exchange need a main selection, since the
// main node is what the others are arranged around or what moves.

// Moves every other selected node so that its box's `edge` meets the main
// node's; nothing is pushed back into the canvas.
bool AlignToMainEdge(Document& doc, MainEdge edge);
// Centres the selection's joint box on the canvas along `axis`, keeping the
// group's own layout.
bool CentreOnCanvas(Document& doc, Axis axis);
// Spaces three or more selected nodes equally along `axis` between the first
// and the last of them, which stay; false with fewer than three.
bool DistributeEvenly(Document& doc, Axis axis);
// Gives every other selected node the main node's width, height or both; each
// keeps its top-left corner, and its picture is stretched.
bool MatchMainSize(Document& doc, SizeMatch match);
// Moves the selected nodes to the top (`toFront`) or the bottom of the stack,
// each group in its present order; the main node becomes the top-most or
// bottom-most of the moved group.
bool MoveSelectionToEdge(Document& doc, bool toFront);
// Exchanges the stacking places of exactly two selected nodes; the main index
// keeps its number, so the main selection passes to the other node. False,
// changing nothing, with any other number selected.
bool SwapTwoSelected(Document& doc);
// Puts the main node's rectangle at the canvas origin.
bool MoveMainToCorner(Document& doc);

// Draws of 0..32767, the range the scattering arithmetic is made for.
using RandomDraw = std::function<int()>;
// The usual C library generator's sequence, kept here so that one command's
// draws depend on its seed alone.
class Rand15 {
public:
    explicit Rand15(std::uint32_t seed) : m_state(seed) {}
    int operator()()
    {
        m_state = m_state * 214013u + 2531011u;
        return static_cast<int>((m_state >> 16) & 0x7FFFu);
    }

private:
    std::uint32_t m_state;
};
// Places every selected node at random with its rectangle inside the canvas,
// two draws per node (x, then y). A node as wide or as high as the canvas, or
// wider, goes to the canvas's centre on that axis.
bool ScatterSelected(Document& doc, const RandomDraw& draw);

} // namespace vq
