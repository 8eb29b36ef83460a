#pragma once

#include "model/Document.h"

class QIODevice;

namespace vq {

struct Report;

inline constexpr char kDataFileMagic[] = "VQD001    ";
inline constexpr int kDataFileMagicBytes = 10;

// Writes the document as a data file: magic, state, the background picture,
// the big-endian node count, the records and the picture blocks. A picture
// that cannot be written has its flag cleared, so the file stays consistent.
// A picture too large to record leaves its report in `failure`, when given.
bool WriteDataFile(QIODevice& file, const Document& doc, Report* failure = nullptr);

// Reads a data file into `doc`, which should be a fresh document: on failure
// it is left in an unspecified state and the caller keeps its own document.
// Why a file was refused goes to `failure`, when given. Values out of range
// are repaired, never trusted. Picture blocks cut short leave their nodes
// without a picture; `picturesComplete`, when given, says whether any was.
bool ReadDataFile(QIODevice& file, Document& doc, Report* failure, bool* picturesComplete = nullptr);

// Brings the state and node values read from a file into their valid ranges.
void RepairDocument(Document& doc);

} // namespace vq
