#pragma once

namespace vq {

class MainWindow;
class DocumentController;

// Plugs the file and undo commands of the frame into the document.
void wireDocumentCommands(MainWindow& frame, DocumentController& document);

} // namespace vq
