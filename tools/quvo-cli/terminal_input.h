#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quvo_cli {

// What a key read from the terminal means for the session.
enum class TermAction {
  key,               // a plain key: goes to the engine as `keysym`
  toggle_halfwidth,  // the punctuation-width hotkey (Ctrl+period)
  toggle_mode,       // the mode hotkey (Alt+semicolon)
  quit,              // Ctrl+D or Ctrl+C
  text,              // non-ASCII text typed by the terminal itself: goes to the text as is
  ignore,            // a key with a modifier: Fcitx5 would hand it to the application
};

struct TermEvent {
  TermAction action = TermAction::ignore;
  uint32_t keysym = 0;
  std::string text;
};

// Decodes the first key at the start of `bytes` and stores in `used` how
// many bytes it took. When the bytes could be the start of a longer sequence
// (a lone ESC, an unfinished CSI sequence or UTF-8 character) and `complete`
// is false, returns nothing: the caller waits briefly for more bytes and
// asks again with `complete` true, which then decodes what is there (a lone
// ESC is the Escape key). Empty `bytes` give nothing.
//
// Terminals cannot send Ctrl+period: Ctrl+\ (byte 0x1c) stands for it, and
// so do the CSI forms ESC [ 46 ; 5 u and ESC [ 27 ; 5 ; 46 ~ that terminals
// with extended key reporting send. Alt+semicolon arrives as ESC ; (or
// ESC [ 59 ; 3 u, ESC [ 27 ; 3 ; 59 ~).
[[nodiscard]] std::optional<TermEvent> decode_terminal_key(std::string_view bytes, size_t& used,
                                                           bool complete);

}  // namespace quvo_cli
