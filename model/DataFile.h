#pragma once

#include "model/Document.h"

class QIODevice;
class QObject;

namespace vq {

inline constexpr char kDataFileMagic[] = "VQD001    ";
inline constexpr int kDataFileMagicBytes = 10;

// Writes the document as a data file: magic, state, the background picture,
// the big-endian node count, the records and the picture blocks. A picture
// that cannot be written has its flag cleared, so the file stays consistent.
bool WriteDataFile(QIODevice& file, const Document& doc);

// Reads a data file into `doc`, which should be a fresh document: on failure
// it is left in an unspecified state and the caller keeps its own document.
// Shows the matching message (owner `owner`) for a refused file unless
// `quiet`. Values out of range are repaired, never trusted.
bool ReadDataFile(QIODevice& file, Document& doc, QObject* owner = nullptr, bool quiet = false);

// Brings the state and node values read from a file into their valid ranges.
void RepairDocument(Document& doc);

} // namespace vq
