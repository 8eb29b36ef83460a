#pragma once

namespace vq {

class CMainFrame;
class CT52106Doc;

// Plugs the file and undo commands of the frame into the document.
void wireDocumentCommands(CMainFrame& frame, CT52106Doc& document);

} // namespace vq
