#pragma once

namespace vq {

class CMainFrame;
class CMultuCutDlg;

// Plugs executing the multi-cut and its settings window into the frame.
void wireMultiCutCommands(CMainFrame& frame);

// The frame's one multi-cut settings window, made on first use; it lives as
// long as the frame.
CMultuCutDlg& MultiCutWindow(CMainFrame& frame);

} // namespace vq
