#!/usr/bin/env python3
"""Builds the eight base dictionaries from the unpacked source packages.

    python3 data/generate.py --sources CACHE/tree --out data/dict
    python3 data/generate.py --check data/dict

The sources are the trees that data/fetch-sources.sh unpacks (one folder per
package of data/sources.lock). The output is deterministic: every collection
is sorted before it is written, no time stamps or paths enter the files, so
the same sources give byte-identical files.

Scales. Word frequencies and Wubi weights are occurrences per 10^9 tokens,
character frequencies occurrences per 10^7 tokens, with the token counts of
pinyin_simp (words and stand-alone characters) as the reference corpus. The
sentence search adds log10(f + 1) - 9 + n for a word of n characters and
log10(c + 1) - 6 for a single character, so with these scales it ranks paths
as a unigram language model would. Other sources are mapped onto the scale by
the median log ratio over the items they share with pinyin_simp.

Only the Python 3 standard library is used; the two libime dump tools
(libime_tabledict, libime_pinyindict from libime-bin) read the binary tables.
"""

import argparse
import bisect
import bz2
import collections
import json
import math
import os
import re
import subprocess
import sys
import tempfile
import unicodedata
import xml.etree.ElementTree as ET

# Words admitted to pinyin_word.dict in all (Wubi words first, then the most
# frequent other words).
MAX_WORDS = 200_000
# Longest word taken from the word lists outside the Wubi tables.
MAX_WORD_CHARS = 8
# bigram.dict keeps pairs whose summed word frequency reaches this.
BIGRAM_MIN_WEIGHT = 10_000
# A secondary reading is kept when it carries at least this share of the
# character's use (see choose_readings for the other conditions).
SECONDARY_SHARE = 0.05
# The character steps show this many characters of a reading.
READING_PAGE = 12
# Secondary readings of very common characters where the rule of
# choose_readings decides against everyday use: 还 is typed as huan (还钱),
# while 都 heading the du list would push 度 and 读 down.
KEEP_READINGS = {("还", "huan")}
DROP_READINGS = {("都", "du")}

# Readings that are consonants alone. As syllables they would let the greedy
# cut take keys such as hm, nm or ng as syllables, and the initials steps for
# those keys would never run.
CONSONANT_ONLY = frozenset(["m", "n", "ng", "hm", "hng", "r"])

# Unicode White_Space: these separate fields in the dictionary loaders, so
# no word, code or emoji may contain one.
WHITE_SPACE = frozenset(
    [0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x85, 0xA0, 0x1680]
    + list(range(0x2000, 0x200B))
    + [0x2028, 0x2029, 0x202F, 0x205F, 0x3000]
)

# Keys for which the ranking below picks a rarer emoji than people mean.
EMOJI_OVERRIDES = {
    "happy": "😊",
    "smile": "😊",
    "smiley": "😃",
    "heart": "❤️",
    "love": "❤️",
    "laugh": "😂",
    "moon": "🌙",
    "star": "⭐",
    "like": "👍",
    "kiss": "😘",
    "angry": "😠",
    "thanks": "🙏",
    "ball": "⚽",
    "flower": "🌸",
    "plane": "✈️",
    "snow": "❄️",
    "lock": "🔒",
    "music": "🎵",
    "cross": "❌",
    "crying": "😢",
    "photo": "📷",
}

SYLLABLE_RE = re.compile(r"^[a-z]+$")


def log(*args):
    print("generate:", *args, file=sys.stderr)


# ---------------------------------------------------------------- helpers


def is_han(ch):
    cp = ord(ch)
    return (
        0x3400 <= cp <= 0x4DBF
        or 0x4E00 <= cp <= 0x9FFF
        or 0xF900 <= cp <= 0xFAFF
        or 0x20000 <= cp <= 0x2FA1F
        or 0x30000 <= cp <= 0x323AF
    )


def has_white_space(text):
    return any(ord(c) in WHITE_SPACE for c in text)


def norm_syllable(raw):
    """Lower-case ASCII spelling of one pinyin syllable, or None.

    Tone marks and tone digits go; u with diaeresis (and u:) becomes v,
    except after j, q, x and y, where it is written u; lve and nve become
    lue and nue (the alternative spellings are added where they are used).
    """
    s = raw.strip().lower().replace("u:", "v")
    s = unicodedata.normalize("NFD", s)
    out = []
    for c in s:
        if c == "\u0308":
            if out and out[-1] == "u":
                out[-1] = "v"
            continue
        if unicodedata.combining(c):
            continue
        if c in "012345":
            continue
        out.append(c)
    s = "".join(out)
    if not SYLLABLE_RE.match(s):
        return None
    if s[0] in "jqxy" and "v" in s:
        s = s.replace("v", "u")
    if s in ("lve", "nve"):
        s = s[0] + "ue"
    return s


def alt_spelling(syl):
    """The second spelling users type for lue and nue."""
    if syl in ("lue", "nue"):
        return syl[0] + "ve"
    return None


def median(values):
    v = sorted(values)
    n = len(v)
    if n == 0:
        raise ValueError("median of nothing")
    return v[n // 2] if n % 2 else (v[n // 2 - 1] + v[n // 2]) / 2


def median_log_ratio(pairs):
    """Median of log10(a / b) over pairs with both positive."""
    return median([math.log10(a / b) for a, b in pairs if a > 0 and b > 0])


def scaled(value, factor):
    """round(value * factor); a positive value never becomes 0."""
    if value <= 0:
        return 0
    return max(1, min(4294967295, int(math.floor(value * factor + 0.5))))


def fuzzy_canonical(s):
    if len(s) >= 2:
        for a, b in (("zh", "z"), ("ch", "c"), ("sh", "s")):
            if s.startswith(a):
                s = b + s[2:]
                break
    if len(s) >= 3:
        for a, b in (("ang", "an"), ("eng", "en"), ("ing", "in")):
            if s.endswith(a):
                s = s[:-3] + b
                break
    return s


def read_yaml_table(path):
    """Rows of a rime .dict.yaml body: the tab-separated lines after the
    '...' that ends the header, without '#' lines."""
    rows = []
    with open(path, encoding="utf-8") as f:
        in_body = False
        for line in f:
            line = line.rstrip("\n")
            if not in_body:
                if line == "...":
                    in_body = True
                continue
            if not line or line.startswith("#"):
                continue
            rows.append(line.split("\t"))
    return rows


def run_dump(tool, src, workdir):
    out = os.path.join(workdir, os.path.basename(src) + ".txt")
    subprocess.run([tool, "-d", src, out], check=True, stdout=subprocess.DEVNULL)
    with open(out, encoding="utf-8") as f:
        return f.read().splitlines()


# ---------------------------------------------------------------- sources


class Sources:
    """Everything read from the source packages, as plain Python data."""

    def __init__(self, root):
        self.root = root

    def path(self, *parts):
        p = os.path.join(self.root, *parts)
        if not os.path.exists(p):
            raise SystemExit(f"generate: missing source file {p}")
        return p

    def load(self):
        self.load_wubi86()
        self.load_wubi98()
        self.load_pinyin_simp()
        self.load_unihan()
        self.load_sc()
        self.load_jieba()
        self.load_pinyin_pro()
        self.load_simplified()

    def load_wubi86(self):
        p = self.path("rime-data-wubi", "usr/share/rime-data/wubi86.dict.yaml")
        self.wubi86_raw = []  # (word, code, raw weight) in file order
        for row in read_yaml_table(p):
            if len(row) < 2:
                continue
            word, code = row[0], row[1]
            weight = float(row[2]) if len(row) > 2 and row[2] else 0.0
            self.wubi86_raw.append((word, code, weight))
        log(f"wubi86 source: {len(self.wubi86_raw)} entries")

    def load_wubi98(self):
        p = self.path("fcitx5-table-wubi98", "usr/share/fcitx5/table/wubi98.main.dict")
        with tempfile.TemporaryDirectory() as tmp:
            lines = run_dump("libime_tabledict", p, tmp)
        self.wubi98_raw = []  # (word, code) in table order
        in_data = False
        for line in lines:
            if not in_data:
                in_data = line.strip() == "[Data]"
                continue
            parts = line.split(" ")
            if len(parts) != 2:
                continue
            code, word = parts
            self.wubi98_raw.append((word, code))
        log(f"wubi98 source: {len(self.wubi98_raw)} entries")

    def load_pinyin_simp(self):
        p = self.path("rime-data-pinyin-simp", "usr/share/rime-data/pinyin_simp.dict.yaml")
        # (text, [syllables] or None, count) in file order
        self.ps_rows = []
        for row in read_yaml_table(p):
            if len(row) < 2:
                continue
            text = row[0]
            count = int(row[2]) if len(row) > 2 and row[2] else 0
            syls = [norm_syllable(s) for s in row[1].split(" ")]
            if any(s is None for s in syls):
                syls = None
            self.ps_rows.append((text, syls, count))
        self.total_tokens = sum(c for _, _, c in self.ps_rows)
        log(f"pinyin_simp: {len(self.ps_rows)} lines, {self.total_tokens} tokens")

    def load_unihan(self):
        p = self.path("unicode-data", "usr/share/unicode/Unihan_Readings.txt.bz2")
        # char -> readings in source order, per field
        self.mandarin = {}
        self.tghz = {}
        self.xhc = {}
        self.hanyu = {}
        self.pinlu = {}  # char -> {reading: count}
        with bz2.open(p, "rt", encoding="utf-8") as f:
            for line in f:
                if line.startswith("#") or not line.strip():
                    continue
                cp, field, value = line.rstrip("\n").split("\t", 2)
                ch = chr(int(cp[2:], 16))
                if field == "kMandarin":
                    self.mandarin[ch] = [norm_syllable(v) for v in value.split()]
                elif field == "kHanyuPinlu":
                    d = {}
                    for item in value.split():
                        m = re.match(r"^(.+)\((\d+)\)$", item)
                        if m:
                            s = norm_syllable(m.group(1))
                            if s:
                                d[s] = d.get(s, 0) + int(m.group(2))
                    self.pinlu[ch] = d
                elif field in ("kTGHZ2013", "kXHC1983", "kHanyuPinyin"):
                    target = {"kTGHZ2013": self.tghz, "kXHC1983": self.xhc,
                              "kHanyuPinyin": self.hanyu}[field]
                    out = []
                    for item in value.split():
                        for r in item.split(":", 1)[-1].split(","):
                            out.append(norm_syllable(r))
                    target[ch] = out
        for table in (self.mandarin, self.tghz, self.xhc, self.hanyu):
            for ch in list(table):
                table[ch] = [r for r in table[ch] if r]
        log(f"Unihan: kMandarin {len(self.mandarin)}, kTGHZ2013 {len(self.tghz)}")

    def load_sc(self):
        p = self.path("libime-data", "usr/share/libime/sc.dict")
        with tempfile.TemporaryDirectory() as tmp:
            lines = run_dump("libime_pinyindict", p, tmp)
        self.sc_rows = []  # (text, [syllables] or None) in file order
        for line in lines:
            parts = line.split(" ")
            if len(parts) < 2:
                continue
            syls = [norm_syllable(s) for s in parts[1].split("'")]
            if any(s is None for s in syls):
                syls = None
            self.sc_rows.append((parts[0], syls))
        log(f"sc.dict: {len(self.sc_rows)} entries")

    def load_jieba(self):
        p = self.path("python3-jieba", "usr/lib/python3/dist-packages/jieba/dict.txt")
        self.jieba = {}
        with open(p, encoding="utf-8") as f:
            for line in f:
                parts = line.split()
                if len(parts) >= 2 and parts[1].isdigit():
                    self.jieba[parts[0]] = self.jieba.get(parts[0], 0) + int(parts[1])
        log(f"jieba: {len(self.jieba)} words")

    def load_pinyin_pro(self):
        p = self.path("@pinyin-pro/data", "package/json/complete.json")
        with open(p, encoding="utf-8") as f:
            data = json.load(f)
        self.pp = {}  # word -> [syllables] or None
        for word in sorted(data):
            value = data[word]
            syls = [norm_syllable(s) for s in value[0].split(" ")]
            if any(s is None for s in syls):
                syls = None
            self.pp[word] = syls
        log(f"pinyin-pro: {len(self.pp)} entries")

    def load_simplified(self):
        """The General Standard characters (kTGHZ2013) plus GB 2312."""
        simp = set(self.tghz)
        for cp in range(0x4E00, 0xA000):
            ch = chr(cp)
            try:
                ch.encode("gb2312")
                simp.add(ch)
            except UnicodeEncodeError:
                pass
        self.simplified = simp
        log(f"simplified set: {len(simp)} characters")


# ---------------------------------------------------------------- building


class Builder:
    def __init__(self, src):
        self.src = src
        self.out = {}  # file name -> list of lines

    # ------------------------------------------------------------ scales

    def build_scales(self):
        s = self.src
        T = s.total_tokens
        self.word_unit = 1e9 / T  # pinyin_simp count -> per 10^9
        self.char_unit = 1e7 / T  # pinyin_simp count -> per 10^7

        # pinyin_simp counts per word (summed over its readings) and the
        # stand-alone counts per character.
        self.ps_word_count = collections.Counter()
        self.ps_char_count = collections.Counter()
        self.ps_char_reading_count = collections.Counter()
        self.ps_in_table = set()
        for text, syls, count in s.ps_rows:
            if len(text) == 1:
                self.ps_in_table.add(text)
                self.ps_char_count[text] += count
                if syls and len(syls) == 1:
                    self.ps_char_reading_count[(text, syls[0])] += count
            else:
                self.ps_word_count[text] += count

        w86_word = {}
        w86_char = {}
        for word, code, weight in s.wubi86_raw:
            target = w86_char if len(word) == 1 else w86_word
            target[word] = max(target.get(word, 0.0), weight)
        self.w86_char_raw = w86_char

        r_word = median_log_ratio(
            (w86_word[w], self.ps_word_count[w]) for w in sorted(w86_word) if w in self.ps_word_count
        )
        r_char = median_log_ratio(
            (w86_char[c], self.ps_char_count[c]) for c in sorted(w86_char) if c in self.ps_char_count
        )
        r_jieba = median_log_ratio(
            (s.jieba[w], self.ps_word_count[w])
            for w in sorted(s.jieba)
            if len(w) > 1 and w in self.ps_word_count
        )
        # Rounded so that the factors, and with them the output, do not
        # depend on the last bits of a floating-point median.
        r_word, r_char, r_jieba = (round(x, 3) for x in (r_word, r_char, r_jieba))
        self.wubi_factor = self.word_unit / 10**r_word
        self.wubi_char_to_cf = self.char_unit / 10**r_char
        self.jieba_factor = self.word_unit / 10**r_jieba
        log(
            f"scales: {T} tokens; wubi86/pinyin_simp words 10^{r_word}, "
            f"characters 10^{r_char}; jieba 10^{r_jieba}; wubi factor {self.wubi_factor:.9f}"
        )

    # ------------------------------------------------------------ wubi

    def build_wubi86(self):
        rows = []
        for i, (word, code, weight) in enumerate(self.src.wubi86_raw):
            # '#' would start a comment; white space would split the word.
            if word.startswith("#") or has_white_space(word) or not SYLLABLE_RE.match(code):
                continue
            rows.append((code, -weight, i, word, scaled(weight, self.wubi_factor)))
        rows.sort()
        self.wubi86 = [(word, code, w) for code, _, _, word, w in rows]
        self.w86_words = {}  # word -> [(code, weight)] in byte order of code
        self.w86_full = {}  # char -> (code, weight) by the loader's full-code rule
        for word, code, w in self.wubi86:
            self.w86_words.setdefault(word, []).append((code, w))
            if len(word) == 1:
                cur = self.w86_full.get(word)
                if cur is None or len(cur[0]) < len(code) or (len(cur[0]) == len(code) and cur[1] < w):
                    self.w86_full[word] = (code, w)
        self.w86_char_weight = {}
        for word, code, w in self.wubi86:
            if len(word) == 1:
                self.w86_char_weight[word] = max(self.w86_char_weight.get(word, 0), w)

    def code86_of(self, word):
        """The code the Wubi 86 word rules give a word, from its characters'
        full codes, or None."""
        codes = []
        for ch in word:
            e = self.w86_full.get(ch)
            if e is None:
                return None
            codes.append(e[0])
        n = len(codes)
        if n == 2:
            parts = [codes[0][:2], codes[1][:2]]
        elif n == 3:
            parts = [codes[0][:1], codes[1][:1], codes[2][:2]]
        else:
            parts = [codes[0][:1], codes[1][:1], codes[2][:1], codes[-1][:1]]
        code = "".join(parts)
        return code if len(code) == 4 else None

    # ------------------------------------------------------------ words

    def word_candidates(self):
        """Votes for the pinyin of every multi-character word."""
        s = self.src
        votes = {}  # word -> {source: syllables}
        # pinyin_simp: the reading with the larger count
        best = {}
        for text, syls, count in s.ps_rows:
            if len(text) < 2 or syls is None or len(syls) != len(text):
                continue
            if any(c in CONSONANT_ONLY for c in syls):
                continue
            cur = best.get(text)
            if cur is None or count > cur[1]:
                best[text] = (syls, count)
        for w, (syls, _) in best.items():
            votes.setdefault(w, {})["ps"] = tuple(syls)
        for text, syls in s.sc_rows:
            if len(text) < 2 or syls is None or len(syls) != len(text):
                continue
            if any(c in CONSONANT_ONLY for c in syls):
                continue
            votes.setdefault(text, {}).setdefault("sc", tuple(syls))
        for text, syls in s.pp.items():
            if len(text) < 2 or syls is None or len(syls) != len(text):
                continue
            if any(c in CONSONANT_ONLY for c in syls):
                continue
            votes.setdefault(text, {})["pp"] = tuple(syls)
        self.word_pinyin = {}
        disagree = 0
        for w in sorted(votes):
            v = votes[w]
            if not all(is_han(c) for c in w):
                continue
            tally = collections.Counter(v.values())
            top = max(tally.values())
            if len(tally) > 1:
                disagree += 1
            for src in ("ps", "sc", "pp"):
                if src in v and tally[v[src]] == top:
                    self.word_pinyin[w] = v[src]
                    break
        self.in_sources = {w: set(v) for w, v in votes.items()}
        log(f"word pinyin: {len(self.word_pinyin)} words, {disagree} with disagreeing sources")

    def word_freq_of(self, word):
        """Frequency per 10^9 from the first source that counts the word."""
        if word in self.w86_words:
            return self.w86_words[word][0][1]
        if word in self.ps_word_count:
            return scaled(self.ps_word_count[word], self.word_unit)
        if word in self.src.jieba:
            return scaled(self.src.jieba[word], self.jieba_factor)
        return None

    # ------------------------------------------------------------ readings

    def build_readings(self):
        s = self.src
        # Readings each character may have, in a fixed order of preference
        # for ties: Unihan's kMandarin first, then the dictionaries of the
        # standard character table and Xiandai Hanyu Cidian, then the
        # pinyin_simp and sc.dict single characters.
        cand = collections.defaultdict(list)

        def add(ch, r):
            if r and r not in CONSONANT_ONLY and r not in cand[ch]:
                cand[ch].append(r)

        for table in (s.mandarin, s.tghz, s.xhc):
            for ch in sorted(table):
                for r in table[ch]:
                    add(ch, r)
        for text, syls, _ in s.ps_rows:
            if len(text) == 1 and syls and len(syls) == 1:
                add(text, syls[0])
        for text, syls in s.sc_rows:
            if len(text) == 1 and syls and len(syls) == 1:
                add(text, syls[0])
        for ch in sorted(s.hanyu):
            if ch not in cand:
                for r in s.hanyu[ch]:
                    add(ch, r)

        # Use of each reading: stand-alone count plus the frequencies of the
        # curated words (pinyin_simp and both Wubi tables) that read the
        # character so. Lists of web words (jieba) are left out: they hold
        # traditional variants that would pull readings the wrong way.
        use = collections.Counter()
        for (ch, r), count in self.ps_char_reading_count.items():
            use[(ch, r)] += count * self.word_unit
        curated = set(w for w in self.ps_word_count) | set(w for w in self.w86_words if len(w) > 1)
        curated |= set(w for w, _ in s.wubi98_raw if len(w) > 1)
        for w in sorted(curated):
            syls = self.word_pinyin.get(w)
            if syls is None:
                continue
            f = self.word_freq_of(w) or 0
            for ch, r in zip(w, syls):
                use[(ch, r)] += f
                add(ch, r)

        self.char_readings = {}  # char -> [first, secondary...]
        for ch in sorted(cand):
            rs = cand[ch]
            order = {r: i for i, r in enumerate(rs)}
            pinlu = s.pinlu.get(ch, {})
            rs = sorted(rs, key=lambda r: (-use[(ch, r)], -pinlu.get(r, 0), order[r]))
            self.char_readings[ch] = rs
        self.reading_use = use

    def build_char_freq(self):
        cf = {}
        for ch in self.char_readings:
            if self.ps_char_count.get(ch, 0) > 0:
                cf[ch] = scaled(self.ps_char_count[ch], self.char_unit)
            elif ch in self.w86_char_raw and self.w86_char_raw[ch] > 0:
                cf[ch] = scaled(self.w86_char_raw[ch], self.wubi_char_to_cf)
            else:
                cf[ch] = 0
        self.char_freq = cf

    def choose_readings(self):
        """Drops secondary readings that would put a frequent character at
        the head of a reading it rarely has (的 under di, 和 under hu)."""
        cf = self.char_freq
        use = self.reading_use
        by_reading = collections.defaultdict(list)
        for ch, rs in self.char_readings.items():
            for r in rs:
                by_reading[r].append(ch)
        rank_cf = {}
        rank_use = {}
        for r, chars in by_reading.items():
            for i, ch in enumerate(sorted(chars, key=lambda c: (-cf[c], c))):
                rank_cf[(ch, r)] = i
            for i, ch in enumerate(sorted(chars, key=lambda c: (-use[(c, r)], -cf[c], c))):
                rank_use[(ch, r)] = i
        dropped = 0
        self.readings = {}
        for ch, rs in self.char_readings.items():
            total = sum(use[(ch, r)] for r in rs)
            kept = [rs[0]]
            for r in rs[1:]:
                share_ok = total == 0 or use[(ch, r)] >= SECONDARY_SHARE * total
                moves = rank_use[(ch, r)] - rank_cf[(ch, r)]
                if (ch, r) in DROP_READINGS:
                    dropped += 1
                elif share_ok or moves <= 1 or rank_cf[(ch, r)] >= READING_PAGE or (ch, r) in KEEP_READINGS:
                    kept.append(r)
                else:
                    dropped += 1
            self.readings[ch] = kept
        log(f"readings: {len(self.readings)} characters, {dropped} secondary readings dropped")
        self.first_reading = {ch: rs[0] for ch, rs in self.readings.items()}

    def write_hanzi_pinyin(self):
        cf = self.char_freq
        chars = sorted(self.readings, key=lambda c: (-cf[c], ord(c)))
        first = []
        second = []
        for ch in chars:
            rs = self.readings[ch]
            first.append(f"{ch} {rs[0]}")
            a = alt_spelling(rs[0])
            if a:
                second.append((ch, a))
            for r in rs[1:]:
                second.append((ch, r))
                a = alt_spelling(r)
                if a:
                    second.append((ch, a))
        rank = {c: i for i, c in enumerate(chars)}
        second.sort(key=lambda p: rank[p[0]])
        self.out["hanzi_pinyin.dict"] = first + [f"{c} {r}" for c, r in second]
        self.syllables = set()
        for rs in self.readings.values():
            for r in rs:
                self.syllables.add(r)
                a = alt_spelling(r)
                if a:
                    self.syllables.add(a)
        self.syllable_keys = set(self.syllables) | {fuzzy_canonical(x) for x in self.syllables}
        log(f"hanzi_pinyin: {len(chars)} characters, {len(second)} secondary lines, "
            f"{len(self.syllables)} syllables")

    def write_char_freq(self):
        cf = self.char_freq
        chars = sorted(cf, key=lambda c: (-cf[c], ord(c)))
        self.out["char_freq.dict"] = [f"{c}\t{cf[c]}" for c in chars]

    # ------------------------------------------------------------ lexicon

    def guess_pinyin(self, word):
        """Pinyin for a word no source reads: longest known words from the
        left, single characters by their first reading."""
        out = []
        i = 0
        while i < len(word):
            for j in range(min(len(word), i + MAX_WORD_CHARS), i + 1, -1):
                p = self.word_pinyin.get(word[i:j])
                if p:
                    out.extend(p)
                    i = j
                    break
            else:
                r = self.first_reading.get(word[i])
                if r is None:
                    return None
                out.append(r)
                i += 1
        return tuple(out)

    def build_lexicon(self):
        s = self.src
        wubi_words = set(w for w in self.w86_words if len(w) > 1)
        wubi_words |= set(w for w, _ in s.wubi98_raw if len(w) > 1)
        entries = {}  # word -> (syllables, code, freq)
        guessed = 0
        no_reading = 0
        for w in sorted(wubi_words):
            if has_white_space(w) or not all(is_han(c) for c in w):
                continue
            syls = self.word_pinyin.get(w)
            if syls is None:
                syls = self.guess_pinyin(w)
                if syls is None:
                    no_reading += 1
                    continue
                guessed += 1
            if w in self.w86_words:
                code, freq = self.w86_words[w][0]
            else:
                code = self.code86_of(w)
                f = self.word_freq_of(w)
                freq = f if f is not None else 1
                if code is None:
                    no_reading += 1
                    continue
            entries[w] = (syls, code, freq)
        n_wubi = len(entries)
        jieba_floor = min(
            (scaled(c, self.jieba_factor) for w, c in s.jieba.items() if c > 0), default=1
        )
        others = []
        for w in sorted(self.word_pinyin):
            if w in entries or len(w) > MAX_WORD_CHARS:
                continue
            if not all(c in s.simplified for c in w):
                continue
            code = self.code86_of(w)
            if code is None:
                continue
            f = self.word_freq_of(w)
            others.append((-(f if f is not None else jieba_floor), w, code))
        others.sort()
        for negf, w, code in others[: max(0, MAX_WORDS - n_wubi)]:
            entries[w] = (self.word_pinyin[w], code, -negf)
        # Every syllable must be one the character readings provide, or
        # typing could never reach the word.
        bad = [w for w, e in entries.items() if any(x not in self.syllables for x in e[0])]
        for w in bad:
            del entries[w]
        log(f"lexicon: {len(entries)} words ({n_wubi} from the Wubi tables, {guessed} of them "
            f"read by longest match, {no_reading} without any reading left out; "
            f"{len(others)} other candidates; {len(bad)} dropped for unknown syllables)")
        self.lexicon = entries

    def write_pinyin_word(self):
        order = sorted(self.lexicon.items(), key=lambda kv: (-kv[1][2], "".join(kv[1][0]), kv[0]))
        lines = []
        for w, (syls, code, freq) in order:
            lines.append(f"{''.join(syls)}\t{w}\t{code}\t{freq}")
            alt = [alt_spelling(x) or x for x in syls]
            if alt != list(syls):
                lines.append(f"{''.join(alt)}\t{w}\t{code}\t{freq}")
        self.out["pinyin_word.dict"] = lines
        self.lexicon_order = [w for w, _ in order]

    def write_polyphonic(self):
        lines = []
        for w in self.lexicon_order:
            syls = self.lexicon[w][0]
            if list(syls) != [self.first_reading.get(c) for c in w]:
                lines.append(w + " " + " ".join(syls))
        self.out["polyphonic.dict"] = lines

    def write_bigram(self):
        weight = collections.Counter()
        words = collections.Counter()
        for w in self.lexicon_order:
            f = self.lexicon[w][2]
            pairs = set(w[i : i + 2] for i in range(len(w) - 1))
            for p in sorted(pairs):
                weight[p] += f
                words[p] += 1
        kept = [(p, f) for p, f in weight.items() if words[p] >= 2 and f >= BIGRAM_MIN_WEIGHT]
        kept.sort(key=lambda pf: (-pf[1], pf[0]))
        self.out["bigram.dict"] = [f"{p}\t{f}" for p, f in kept]

    # ------------------------------------------------------------ wubi 98

    def build_wubi98(self):
        """The 98 table has no weights: each entry takes the weight of the
        same word on the shared scale, capped so that weights never rise
        along one code's entries, which keeps the table's own order inside a
        code while completions across codes still order by frequency."""
        cf = self.char_freq
        # characters outside the 86 table: their frequency, mapped to the
        # weight scale of 86 characters by the median ratio
        ratio = median_log_ratio(
            (self.w86_char_weight[c], cf[c]) for c in sorted(self.w86_char_weight) if cf.get(c, 0) > 0
        )
        ratio = round(ratio, 3)
        by_code = collections.OrderedDict()
        for word, code in self.src.wubi98_raw:
            if word.startswith("#") or has_white_space(word) or not SYLLABLE_RE.match(code):
                continue
            if len(word) == 1:
                if word in self.w86_char_weight:
                    w = self.w86_char_weight[word]
                else:
                    w = scaled(cf.get(word, 0), 10**ratio)
            elif word in self.lexicon:
                w = self.lexicon[word][2]
            else:
                f = self.word_freq_of(word)
                w = f if f is not None else 0
            by_code.setdefault(code, []).append((word, w))
        capped = 0
        rows = []
        for code in sorted(by_code):
            prev = None
            for word, w in by_code[code]:
                if prev is not None and w > prev:
                    w = prev
                    capped += 1
                prev = w
                rows.append((word, code, w))
        self.wubi98 = rows
        log(f"wubi98: {len(rows)} entries, {capped} weights capped")

    def write_wubi(self):
        self.out["wubi86.dict"] = [f"{w}\t{c}\t{n}" for w, c, n in self.wubi86]
        self.out["wubi98.dict"] = [f"{w}\t{c}\t{n}" for w, c, n in self.wubi98]

    # ------------------------------------------------------------ emoji

    def build_emoji(self):
        s = self.src
        test = s.path("unicode-data", "usr/share/unicode/emoji/emoji-test.txt")
        order = {}  # fully-qualified emoji -> position
        names = {}
        plain = {}  # emoji without U+FE0F -> fully-qualified form
        with open(test, encoding="utf-8") as f:
            for line in f:
                if line.startswith("#") or ";" not in line:
                    continue
                cps, rest = line.split(";", 1)
                status = rest.split("#", 1)[0].strip()
                if status != "fully-qualified":
                    continue
                seq = "".join(chr(int(x, 16)) for x in cps.split())
                if any(0x1F3FB <= ord(c) <= 0x1F3FF for c in seq):
                    continue  # skin-tone variants
                m = re.match(r"^\s*\S+\s+E\d+\.\d+\s+(.*)$", rest.split("#", 1)[1])
                order[seq] = len(order)
                names[seq] = m.group(1).strip() if m else ""
                plain.setdefault(seq.replace("\ufe0f", ""), seq)

        def fq(text):
            if text in order:
                return text
            return plain.get(text.replace("\ufe0f", ""))

        cldr_kw = collections.defaultdict(list)
        for rel in ("annotations/en.xml", "annotationsDerived/en.xml"):
            p = s.path("unicode-cldr-core", "usr/share/unicode/cldr/common", rel)
            root = ET.parse(p).getroot()
            for a in root.iter("annotation"):
                e = fq(a.get("cp", ""))
                if e is None:
                    continue
                if a.get("type") == "tts":
                    names[e] = names[e] or a.text
                    cldr_kw[e].append(a.text or "")
                else:
                    cldr_kw[e].extend(x.strip() for x in (a.text or "").split("|"))
        p = s.path("emojilib", "package/dist/emoji-en-US.json")
        with open(p, encoding="utf-8") as f:
            lib = json.load(f)
        lib_kw = {}
        for text in sorted(lib):
            e = fq(text)
            if e is not None:
                lib_kw.setdefault(e, []).extend(lib[text])

        def key_of(text):
            t = unicodedata.normalize("NFD", text.replace("_", " "))
            return "".join(c for c in t if "a" <= c.lower() <= "z" and c.isascii()).lower()

        # rank of (key, emoji); smaller is better
        best = {}
        for e in sorted(order, key=order.get):
            name_keys = {key_of(names[e])}
            if e in lib_kw and lib_kw[e]:
                name_keys.add(key_of(lib_kw[e][0]))
            short_words = set()
            for n in [names[e]] + ([lib_kw[e][0].replace("_", " ")] if e in lib_kw and lib_kw[e] else []):
                ws = re.split(r"[\s:,]+", n.strip())
                if len(ws) <= 2:
                    short_words |= {key_of(x) for x in ws}
            cl = {key_of(x) for x in cldr_kw.get(e, [])}
            el = {key_of(x) for x in lib_kw.get(e, [])}
            for k in sorted(cl | el | name_keys | short_words):
                if not (2 <= len(k) <= 32):
                    continue
                rank = (k not in name_keys, k not in short_words, k not in cl, k not in el, order[e])
                if k not in best or rank < best[k][0]:
                    best[k] = (rank, e)
        table = {k: v[1] for k, v in best.items()}
        for k, e in EMOJI_OVERRIDES.items():
            e = fq(e)
            if e is not None:
                table[k] = e
        total = len(table)

        # Keys that would take the first place from ordinary typing: a Wubi
        # code or the beginning of one (the emoji stands first in both
        # modes), a key that cuts wholly into syllables, and a key that is
        # itself the initials of a word (cl for 出来), or the beginning of a
        # word's full pinyin or initials (ship on the way to shipin).
        prefixes = set()
        for _, code, _ in self.wubi86:
            for i in range(1, len(code) + 1):
                prefixes.add(code[:i])
        for _, code, _ in self.wubi98:
            for i in range(1, len(code) + 1):
                prefixes.add(code[:i])
        initials = set()
        for w, (syls, _, _) in self.lexicon.items():
            initials.add("".join(x[0] for x in syls))
            first = [self.first_reading.get(c) for c in w]
            if all(first):
                initials.add("".join(x[0] for x in first))
        starts = sorted(set("".join(syls) for syls, _, _ in self.lexicon.values()) | initials)

        def begins_a_word(k):
            i = bisect.bisect_left(starts, k)
            return i < len(starts) and starts[i].startswith(k)

        drop_wubi = drop_pinyin = drop_initials = 0
        kept = {}
        for k in sorted(table):
            if k in prefixes:
                drop_wubi += 1
                continue
            if split_longest(k, self.syllable_keys) == k:
                drop_pinyin += 1
                continue
            if k in initials or begins_a_word(k):
                drop_initials += 1
                continue
            kept[k] = table[k]
        self.emoji = kept
        self.out["emoji.dict"] = [f"{k}\t{kept[k]}" for k in sorted(kept)]
        log(f"emoji: {total} keys, dropped {drop_wubi} Wubi codes, {drop_pinyin} pinyin, "
            f"{drop_initials} initials or word beginnings; {len(kept)} keys for {len(set(kept.values()))} emoji")

    # ------------------------------------------------------------ all

    def build(self):
        self.build_scales()
        self.build_wubi86()
        self.word_candidates()
        self.build_readings()
        self.build_char_freq()
        self.choose_readings()
        self.write_hanzi_pinyin()
        self.write_char_freq()
        self.build_lexicon()
        self.write_pinyin_word()
        self.write_polyphonic()
        self.write_bigram()
        self.build_wubi98()
        self.write_wubi()
        self.build_emoji()
        return self.out


# ---------------------------------------------------------------- segmentation


def split_longest(key, syllables):
    n = len(key)
    ok = [False] * (n + 1)
    ok[0] = True
    for e in range(1, n + 1):
        for s in range(e):
            if ok[s] and key[s:e] in syllables:
                ok[e] = True
                break
    for e in range(n, 0, -1):
        if ok[e]:
            return key[:e]
    return ""



# ---------------------------------------------------------------- checks


def u32(text):
    t = text[1:] if text.startswith("+") else text
    return t.isascii() and t.isdigit() and int(t) <= 4294967295


def ws_fields(line):
    return re.split("[" + "".join(chr(c) for c in sorted(WHITE_SPACE)) + "]+", line)


def check_line(name, line):
    """Why the loader of `name` would skip or misread the line, or None."""
    if "\r" in line or "\n" in line:
        return "line break inside a line"
    if line.startswith("\ufeff"):
        return "byte-order mark"
    if name in ("wubi86.dict", "wubi98.dict", "pinyin_word.dict", "polyphonic.dict", "emoji.dict",
                "hanzi_pinyin.dict"):
        if line != line.strip("".join(chr(c) for c in WHITE_SPACE)) or not line:
            return "untrimmed or empty"
        if line.startswith("#"):
            return "reads as a comment"
    if name in ("wubi86.dict", "wubi98.dict"):
        f = ws_fields(line)
        if len(f) != 3 or line.count("\t") != 2:
            return "needs word, code and weight"
        if not SYLLABLE_RE.match(f[1]) or not u32(f[2]):
            return "bad code or weight"
    elif name == "hanzi_pinyin.dict":
        f = re.split("[ \t]", line)
        if len(f) != 2 or len(f[0]) != 1 or not SYLLABLE_RE.match(f[1]) or has_white_space(f[0]):
            return "needs one character and one reading"
        if f[1] in CONSONANT_ONLY:
            return "consonant-only reading"
    elif name == "pinyin_word.dict":
        f = ws_fields(line)
        if len(f) != 4 or line.count("\t") != 3:
            return "needs pinyin, word, code and frequency"
        if not SYLLABLE_RE.match(f[0]) or not SYLLABLE_RE.match(f[2]) or not u32(f[3]):
            return "bad pinyin, code or frequency"
    elif name == "polyphonic.dict":
        f = ws_fields(line)
        if len(f) < 2 or len(f) - 1 != len(f[0]) or not all(SYLLABLE_RE.match(x) for x in f[1:]):
            return "needs a word and one syllable per character"
    elif name in ("char_freq.dict", "bigram.dict"):
        f = line.split("\t")
        want = 1 if name == "char_freq.dict" else 2
        if len(f) != 2 or len(f[0]) != want or has_white_space(f[0]):
            return "needs a key and a count separated by one TAB"
        if not u32(f[1]):
            return "bad count"
    elif name == "emoji.dict":
        f = ws_fields(line)
        if len(f) != 2 or line.count("\t") != 1:
            return "needs a key and an emoji"
        if not re.match(r"^[a-z]{2,32}$", f[0]) or len(f[0].encode()) > 63:
            return "key is not 2 to 32 lower-case letters"
    return None


NAMES = (
    "wubi86.dict",
    "wubi98.dict",
    "hanzi_pinyin.dict",
    "pinyin_word.dict",
    "emoji.dict",
    "char_freq.dict",
    "bigram.dict",
    "polyphonic.dict",
)


def check_dir(d):
    """Checks every file against its loader's line rules and the
    cross-file promises; returns a list of problems."""
    problems = []
    data = {}
    for name in NAMES:
        p = os.path.join(d, name)
        try:
            raw = open(p, "rb").read()
        except OSError as e:
            problems.append(f"{name}: {e}")
            continue
        if not raw.endswith(b"\n"):
            problems.append(f"{name}: no LF at the end")
        lines = raw.split(b"\n")[:-1]
        text = []
        for i, b in enumerate(lines, 1):
            try:
                line = b.decode("utf-8")
            except UnicodeDecodeError:
                problems.append(f"{name}:{i}: not valid UTF-8")
                continue
            why = check_line(name, line)
            if why:
                problems.append(f"{name}:{i}: {why}: {line!r}")
            text.append(line)
        data[name] = text
    if problems:
        return problems

    def first(name):
        return [re.split("[ \t]+", l) for l in data[name]]

    readings = {}
    for ch, r in first("hanzi_pinyin.dict"):
        readings.setdefault(ch, r)
    freq = {l.split("\t")[0]: int(l.split("\t")[1]) for l in data["char_freq.dict"]}
    missing = [c for c in readings if c not in freq]
    if missing:
        problems.append(f"char_freq.dict lacks {len(missing)} characters with a reading, e.g. {missing[:5]}")
    syllables = set(r for _, r in first("hanzi_pinyin.dict"))
    poly = {f[0]: f[1:] for f in first("polyphonic.dict")}
    for l in data["pinyin_word.dict"]:
        py, w, code, n = l.split("\t")
        syls = poly.get(w) or [readings.get(c) for c in w]
        if None in syls:
            problems.append(f"pinyin_word.dict: {w} has a character without a reading")
        elif "".join(syls) != py and "".join(syls).replace("lue", "lve").replace("nue", "nve") != py:
            problems.append(f"pinyin_word.dict: {w} {py} differs from its readings {syls} and has no override")
    for w, syls in poly.items():
        if any(x not in syllables for x in syls):
            problems.append(f"polyphonic.dict: {w} uses an unknown syllable")
    return problems[:50]


def spot_checks(d):
    """A few orderings users see at once; returns a list of failures."""
    fails = []

    def rows(name, sep=None):
        with open(os.path.join(d, name), encoding="utf-8") as f:
            return [l.rstrip("\n").split(sep) for l in f]

    w86 = rows("wubi86.dict")
    under = [(int(n), w) for w, c, n in w86 if c == "wqvb"]
    if not under or max(under)[1] != "你好":
        fails.append(f"wqvb does not give 你好 first in wubi86: {sorted(under, reverse=True)[:3]}")
    hp = rows("hanzi_pinyin.dict")
    first = {}
    for ch, r in hp:
        first.setdefault(ch, r)
    for ch, r in (("的", "de"), ("了", "le"), ("长", "zhang"), ("行", "xing"), ("嗯", "en"), ("咖", "ka")):
        if first.get(ch) != r:
            fails.append(f"{ch} reads {first.get(ch)}, expected {r}")
    poly = {f[0]: f[1:] for f in rows("polyphonic.dict")}
    if poly.get("银行") != ["yin", "hang"]:
        fails.append(f"银行 override is {poly.get('银行')}")
    pw = rows("pinyin_word.dict")
    nihao = sorted(((int(n), w) for py, w, c, n in pw if py == "nihao"), reverse=True)
    if not nihao or nihao[0][1] != "你好":
        fails.append(f"nihao does not give 你好 first: {nihao[:3]}")
    if not any(py == "yinhang" and w == "银行" for py, w, c, n in pw):
        fails.append("yinhang 银行 missing from pinyin_word.dict")
    if not any(py == "lvedu" or py == "lveduo" for py, w, c, n in pw):
        fails.append("no lve spelling in pinyin_word.dict")
    em = dict(rows("emoji.dict"))
    for k in ("coffee", "thumbsup", "smile"):
        if k not in em:
            fails.append(f"emoji key {k} missing")
    return fails


# ---------------------------------------------------------------- main


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--sources", help="folder of unpacked source packages")
    ap.add_argument("--out", help="folder to write the dictionaries to")
    ap.add_argument("--check", metavar="DIR", help="only check the files in DIR")
    args = ap.parse_args()
    if args.check:
        d = args.check
    else:
        if not (args.sources and args.out):
            ap.error("--sources and --out are needed (or --check DIR)")
        src = Sources(args.sources)
        src.load()
        out = Builder(src).build()
        os.makedirs(args.out, exist_ok=True)
        for name in NAMES:
            tmp = os.path.join(args.out, name + ".tmp")
            with open(tmp, "w", encoding="utf-8", newline="\n") as f:
                for line in out[name]:
                    f.write(line + "\n")
            os.replace(tmp, os.path.join(args.out, name))
            log(f"wrote {name}: {len(out[name])} lines")
        d = args.out
    problems = check_dir(d) + spot_checks(d)
    for p in problems:
        log("check:", p)
    if problems:
        return 1
    log(f"check: all eight files in {d} pass")
    return 0


if __name__ == "__main__":
    sys.exit(main())
