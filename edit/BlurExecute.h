#pragma once

#include "edit/Blur.h"

namespace vq {

class EditSession;
class ProgressSink;

// Executing the blur mode: the picture pixels under the range of node
// `modeNode` are blurred by `settings`, the whole picture is encoded again at
// the best JPEG quality and replaces the old one, as one undo step; the node
// keeps its place and size and the mode ends. When no blur mode is active, or
// the picture cannot be decoded, blurred or encoded, nothing changes, no undo
// step is taken and the mode stays. The old picture is dropped only once its
// successor exists.
bool ExecuteBlur(EditSession& session, const BlurSettings& settings, const RandomSource& random,
                 ProgressSink* progress);

} // namespace vq
