// Linked into every suite with windows: scripted prompters become the
// program's prompter while they live.
#include "tests/support/ScriptedPrompter.h"
#include "view/Prompts.h"

namespace {
const bool g_installerSet = (vq::test::ScriptedPrompter::setInstaller(&vq::installPrompter), true);
} // namespace
