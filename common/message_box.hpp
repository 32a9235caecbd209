#pragma once
// Messages to the operator: MessageBoxA on Windows; on Linux the caption and
// text go to stderr as UTF-8. Tests install a handler to capture them.
#include <functional>
#include <string>

namespace kavorin {

// Caption and text are CP949, as the system's own texts are.
using MessageBoxHandler = std::function<void(const std::string& caption, const std::string& text)>;

// Replaces the way messages are shown; an empty handler restores the default.
void SetMessageBoxHandler(MessageBoxHandler handler);

// Shows one message with an OK button and returns when it is dismissed.
void ShowMessageBox(const std::string& caption, const std::string& text);

// The platform's own way (used when no handler is set).
void ShowPlatformMessageBox(const std::string& caption, const std::string& text);

}  // namespace kavorin
