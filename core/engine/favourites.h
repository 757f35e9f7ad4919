#pragma once

#include <string>
#include <string_view>

#include "text/string_hash.h"
#include "wubi/wubi_table.h"

namespace wubi_pinyin::engine {

// Text written to "aihao_py.dict" / "aihao_wb.dict" when the file is
// missing: comment lines that explain the format.
extern const std::string_view kPinyinFavouriteTemplate;
extern const std::string_view kWubiFavouriteTemplate;

// Reads the favourite Wubi dictionary (word and code in either order) into
// the table and the favourite set. Reading stops at a line that is not UTF-8.
void parse_aihao_wb(const std::string& path, wubi::WubiTable& table, text::StringSet& words);

// Adds field 2 of every record of the favourite pinyin dictionary to the
// favourite set. Reading stops at a line that is not UTF-8.
void read_pinyin_favourites(const std::string& path, text::StringSet& words);

// Writes the template to the path when querying its status fails; an
// existing file is never touched. A failed write is ignored.
void write_template_if_missing(const std::string& path, std::string_view content);

}  // namespace wubi_pinyin::engine
