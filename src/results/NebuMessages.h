#pragma once
// NEBU's message boxes: caption "NEBU for Win32", no icon, modal on the GUI
// thread. Every window and the engine's host show their messages through these.

#include <QString>
#include <string>

#include "engine/NebuHost.h"

class QWidget;

namespace nebu {

inline constexpr const char* kMessageCaption = "NEBU for Win32";

// OK only.
void ShowNebuMessage(QWidget* parent, const std::string& text);
// With the given buttons; closing the box without a button answers Cancel
// (or No when there is no Cancel, or Ok for OK only).
MsgAnswer AskNebuMessage(QWidget* parent, const std::string& caption, const std::string& text,
                         MsgButtons buttons);

}  // namespace nebu
