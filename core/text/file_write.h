#pragma once

#include <string>
#include <string_view>

namespace wubi_pinyin::text {

// Appends one line (the text, then LF) to a file, creating it when missing
// (mode 0666 before the umask). The line lands whole or not at all: a short
// write is cut back to the old size, and a line is started afresh when the
// file did not end with LF, so an earlier torn write never glues two records.
// Returns whether the line was written.
bool append_line(const std::string& path, std::string_view text);

// Replaces a file with new content through "path.tmp" and a rename. The old
// file is replaced only when every byte was written;
// otherwise the temporary file is removed and the old content stays.
// Returns whether the file was replaced.
bool replace_file(const std::string& path, std::string_view content);

}  // namespace wubi_pinyin::text
