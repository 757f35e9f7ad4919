/*
 * wubi_pinyin.h - the C interface of the Quvo input engine.
 *
 * One engine handle holds every lexicon table and the whole composition
 * state. All strings are UTF-8 and NUL-terminated. Nothing allocated by the
 * engine crosses this interface: every result is copied into buffers that
 * the caller owns, cut to fit (a cut never splits a UTF-8 character).
 * Every function accepts a null handle and then returns the neutral value
 * named in its comment, doing nothing else. Calls for one handle must come
 * from one thread at a time; distinct handles are independent.
 */
#ifndef WUBI_PINYIN_H
#define WUBI_PINYIN_H

#include <stddef.h>
#include <stdint.h>

#if defined(WP_BUILDING_LIBRARY)
#define WP_EXPORT __attribute__((visibility("default")))
#else
#define WP_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque engine handle. */
typedef struct WPEngine WPEngine;

/* One candidate: text and comment, each at most 63 bytes plus a NUL. */
typedef struct WPCandidate {
  char text[64];
  char comment[64];
} WPCandidate;

/* Builds an engine on a data directory (NULL or non-UTF-8: the empty
 * string, so data paths start at the root). Never fails; missing files give
 * empty tables. The pinyin word data complete in the background. Release
 * the handle with wp_destroy_engine. */
WP_EXPORT WPEngine* wp_create_engine(const char* data_dir);

/* Saves unsaved learned frequencies and releases the engine. NULL: no
 * effect. Does not wait for a background build still running. */
WP_EXPORT void wp_destroy_engine(WPEngine* engine);

/* Handles one key press (an X11 key symbol; `unused` is ignored, pass 0).
 * Copies the text to commit, the preedit and the visible candidates out;
 * *cands_count receives the number of candidates copied (also when cands
 * is NULL). Returns 0 when the key was consumed, 1 when it goes on to the
 * application. NULL handle: 1. */
WP_EXPORT int wp_key_event(WPEngine* engine, uint32_t keysym, int unused, char* commit,
                           size_t commit_size, char* preedit, size_t preedit_size,
                           WPCandidate* cands, size_t cands_max, size_t* cands_count);

/* Commits candidate `index` of the whole current list (not of a page) and
 * copies its text out. Returns 0 when something was committed, else 1.
 * NULL handle: 1. */
WP_EXPORT int wp_select_candidate(WPEngine* engine, size_t index, char* commit,
                                  size_t commit_size);

/* Commits the candidate at position `index` of what the user sees: the
 * current page while typing, the association list otherwise. Copies the
 * committed text, the remaining input and the new association list out.
 * Returns 0 when something was committed, else 1. NULL handle: 1. */
WP_EXPORT int wp_click_candidate(WPEngine* engine, size_t index, char* commit,
                                 size_t commit_size, char* input, size_t input_size,
                                 WPCandidate* cands, size_t cands_max, size_t* cands_count);

/* Adds a Wubi word under a code to the active table and to user.dict.
 * word and code must not be NULL. NULL handle: no effect. */
WP_EXPORT void wp_add_word(WPEngine* engine, const char* word, const char* code);

/* Imports a Wubi word list into the active table and user.dict. Returns the
 * number of entries added. path must not be NULL. NULL handle: -1. */
WP_EXPORT int wp_import_dict(WPEngine* engine, const char* path);

/* Copies the current hint out. NULL handle or buffer, or size 0: nothing. */
WP_EXPORT void wp_get_hint(WPEngine* engine, char* buf, size_t size);

/* Current mode: 0 Wubi, 1 Pinyin. NULL handle: 0. */
WP_EXPORT int wp_get_mode(WPEngine* engine);

/* Candidates per page, 3 to 10. NULL handle: 10. */
WP_EXPORT int wp_get_page_size(WPEngine* engine);

/* Sets the page size, clamped to 3..10 (negative values give 10), and shows
 * the first page. Returns the size in force. NULL handle: 10. */
WP_EXPORT int wp_set_page_size(WPEngine* engine, int size);

/* Switches to Pinyin for 1 and to Wubi for any other value, clearing the
 * composition. Returns the new mode. NULL handle: -1. */
WP_EXPORT int wp_set_default_mode(WPEngine* engine, int mode);

/* Selects the Wubi 98 table for 1 and the 86 table otherwise, clearing the
 * composition. Returns 1 when the 98 table is active, else 0.
 * NULL handle: -1. */
WP_EXPORT int wp_set_wubi_scheme(WPEngine* engine, int scheme);

/* Flips between Wubi and Pinyin, clearing the composition. Returns the new
 * mode. NULL handle: 0. */
WP_EXPORT int wp_toggle_mode(WPEngine* engine);

/* Flips half-width punctuation. Returns 1 when punctuation keys now give
 * ASCII punctuation, 0 for full width. NULL handle: 0. */
WP_EXPORT int wp_toggle_halfwidth(WPEngine* engine);

/* 1 when the association list is showing (nothing typed, follow-on words
 * offered), else 0. NULL handle: 0. */
WP_EXPORT int wp_assoc_visible(WPEngine* engine);

#ifdef __cplusplus
}
#endif

#endif /* WUBI_PINYIN_H */
