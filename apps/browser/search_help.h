// The short guide to the search line shown by Hilfe > Suchkriterien.
#pragma once

#include <string>

namespace vmbgrid::browser {

std::string SearchHelpHtml();

}  // namespace vmbgrid::browser
