// Renders a window into a PNG file, also without a screen.
#pragma once

#include <string>

class QWidget;

namespace vmbgrid::browser {

// Empty on success, else a German message.
std::string SaveScreenshot(QWidget& window, const std::string& path);

}  // namespace vmbgrid::browser
