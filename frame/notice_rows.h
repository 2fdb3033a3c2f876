#pragma once
// How a line of the windows' status line fits their width. A line tells the person what to do,
// so its words are never cut: a line too wide for one row first lets a path in it give way (its
// middle becomes an ellipsis; its start and its file name stay), and when even that does not fit
// one row, the line is wrapped at its spaces onto further rows, whole words each. Only a word
// wider than a whole row by itself (a long path) then loses its middle. The windows show the
// rows; their tooltip (where there is one) has the line whole.
#include <functional>
#include <string>
#include <vector>

namespace vorlix::frame {

// The width of a text (UTF-8) as the window would draw it, in the units of the row's width.
using TextWidth = std::function<int(const std::string&)>;

// The rows that show line in rows of width.
std::vector<std::string> noticeRows(const std::string& line, int width, const TextWidth& measure);

}  // namespace vorlix::frame
