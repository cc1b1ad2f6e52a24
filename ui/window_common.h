#pragma once
// What every window of the program shares: its title, its face, how core
// text becomes widget text, and how a failure that escapes a command is shown.

#include "model/program_name.h"
#include "model/user_io.h"

#include <QFont>
#include <QString>

#include <filesystem>
#include <functional>
#include <string_view>

namespace korvex {

// Where users send what went wrong.
inline constexpr std::string_view ReportAddress = "korvex-viewer@example.org";

// Text from the core (UTF-8, or Latin-1 where a byte is not UTF-8) for a widget.
QString toQString(std::string_view text);

// A file's name as Qt shows it, and back to the system's own bytes,
// whatever their encoding.
QString toQPath(const std::filesystem::path& path);
std::filesystem::path fromQPath(const QString& path);

// The windows were laid out for "MS Sans Serif" at 8 points; where it is
// missing, faces with close metrics keep the captions inside their controls.
QFont designedFont();

// Shows the text of a failure that no command handled, as the application's
// general error handler does.
void showEscapedFailure(Prompts& prompts, std::string_view text);

// Runs a command; a failure that escapes it is shown in the application's
// error box and the program goes on.
void runShowingFailure(Prompts& prompts, const std::function<void()>& command);

}  // namespace korvex
