// The report's two forms: one self-contained HTML page, and plain text for a terminal.
#pragma once

#include <string>
#include <vector>

#include "report/model.h"

namespace report {

// The whole page: inline CSS and SVG, nothing fetched, no script.
std::string html(const std::vector<FileReport> &files);

// The same summary as text, with an ASCII map of each wafer.
std::string text(const std::vector<FileReport> &files);

}  // namespace report
