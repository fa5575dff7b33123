// The hook that names the Cancel button of the next message box "Cancel", whatever the
// system's language: a thread-local computer-based-training hook that, at the first
// window activation, sets the text of item 2 of the window being activated and removes
// itself. Each dialog class has a handle variable of its own.
#pragma once

namespace ui {

enum class CancelCaptionHook { ConfigDialog, ColorProfileDialog };

// Installs the hook for the calling thread just before a box with OK and Cancel.
void InstallCancelCaptionHook(CancelCaptionHook which);

}  // namespace ui
