// The one way the engine shows a message box. The text always goes to standard error as well, and tests (or
// any unattended run) can replace the dialog so that nothing ever blocks waiting for a click.
#pragma once

#include <functional>
#include <string>

// Shows `text` in a modal box with `caption` (may be empty) and an OK button, after writing it to standard error.
void ShowMessageBox(const std::string& text, const std::string& caption);

// Replaces the dialog; the handler receives text and caption. Pass nullptr to restore the real dialog.
using MessageBoxHandler = std::function<void(const std::string& text, const std::string& caption)>;
void SetMessageBoxHandler(MessageBoxHandler handler);
