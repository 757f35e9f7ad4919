#!/usr/bin/env python3
"""Writes the seed inputs of corpus/<target>/seed-*. Regression inputs found
by fuzzing are kept beside them under other names and never rewritten."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
BOM = b"\xef\xbb\xbf"
BAD = b"\xff\xfe\xc0\x80"
HUGE = b"x" * 5000


def seeds():
    s = {}
    wubi = "工 a 100\n式 aa 50\n中 k 200\n中国 khlg 500\n你好 wqvb 800\n".encode()
    s["wubi_load"] = [
        wubi,
        BOM + wubi.replace(b"\n", b"\r\n"),
        "# comment\n\n  \u3000工\tA\t4294967296\n".encode() + BAD + " k 1\n中 KH 4294967295\n".encode(),
        b"a b c d e\n" + HUGE + b" z\n" + b"no-newline zz 7",
    ]
    s["wubi_import"] = [
        "经济 xciy\n测试 imyi 7\n工 a\n".encode(),
        BOM + "中国 KHLG 5\r\n新 usr -1\r\n".encode() + BAD + b"\n",
    ]
    readings = "工 gong\n中钟 zhong\n重 zhong\n重 chong\n你\tni\n".encode()
    s["pinyin_readings"] = [
        readings,
        BOM + readings.replace(b"\n", b"\r\n"),
        "中  zhong\n国 GUO\n\t\n" .encode() + BAD + b" ni\n" + "长 chang zhang\n".encode(),
    ]
    words = "nihao 你好 wqvb 1000\nzhongguo 中国 khlg 900\nguojia 国家\nzhong'guo 中国\n"
    s["pinyin_words"] = [
        words.encode(),
        BOM + words.encode().replace(b"\n", b"\r\n"),
        "NiHao 你好 x 99999999999\nzhongguoren 中国人 kllw -5\n\n#x\n".encode() + BAD + b"\n",
    ]
    s["polyphonic"] = [
        "重庆 chong qing\n长城 chang cheng\n".encode(),
        BOM + "重庆\tCHONG\tQING\r\n一 yi\n行 \n".encode() + BAD + b" a\n",
    ]
    s["aihao_wb"] = [
        "# favourites\n桐键 sskk\nsskk 桐键\n".encode(),
        BOM + "测试 IMYI\r\nabc def\n".encode() + BAD + "\n后 ab\n".encode(),
    ]
    s["aihao_py"] = [
        "# favourites\ntongjian 桐键\n  ceshi\u3000测试  x\n".encode(),
        BOM + b"one\r\n" + BAD + "\nafter 之后\n".encode(),
    ]
    s["freq"] = [
        "词\t5\n词\t7\nx\n".encode(),
        b"a\t+3\nb\t-3\nc\t 3\nd\t3 \ne\t4294967296\nf\t4294967295\ng\t3\t9\n\n",
        BOM + "中国\t12\r\n".encode() + BAD + b"\t1\nlast\t2",
    ]
    s["emoji"] = [
        "smile 😄\n  # comment\n\nwink\n".encode(),
        BOM + "smile\t😄\r\nSmile 🙂 extra\n".encode() + BAD + " x\n".encode(),
    ]
    s["char_freq"] = [
        "中\t900\n国\t800\n".encode(),
        BOM + "中\t 900 \r\n\t5\n国\t4294967296\n".encode() + BAD + "\n你\t1\n".encode(),
    ]
    s["bigram"] = [
        "你好\t12\n中国\t30\n".encode(),
        BOM + "你\t3\r\n你好世界\t 7\t9\n".encode() + BAD + "\n好人\t1\n".encode(),
    ]
    s["session"] = [bytes([start]) + acts for start, acts in sessions()]
    fixture = [
        wubi, "工 a\n".encode(), "中国人 kllw\n".encode(), readings, "重庆 chong qing\n".encode(),
        words.encode(), "zhongguoren\t中国人\n".encode(), "tongjian 桐键\n".encode(),
        "桐键 sskk\n".encode(), "中\t900\n".encode(), "你好\t12\n".encode(),
        "smile 😄\n".encode(), "中国\t3\n".encode(),
    ]
    for start, acts in sessions()[:4]:
        s.setdefault("data_dir", []).append(
            b"\n====\n".join(fixture + [bytes([start]) + acts]))
    return s


def key(c):
    if "a" <= c <= "z":
        return bytes([ord(c) - 97])
    return bytes([26 + ord(c) - 0x20])


NAMED = {"BackSpace": 121, "Return": 122, "Escape": 123, "Page_Up": 124, "Page_Down": 125,
         "F1": 126, "Delete": 127}


def keys(text):
    return b"".join(key(c) for c in text)


def named(name):
    return bytes([NAMED[name]])


def op(n, *args):
    return bytes([0x80 + n]) + b"".join(args)


def s32(v):
    return struct.pack(">i", v)


def string(b):
    return bytes([len(b)]) + b


def sessions():
    return [
        (0, keys("wqvb ") + keys("k") + op(1, b"\x00") + keys("kh") + named("Page_Down")
         + named("BackSpace") + keys("khlg") + named("Return")),
        (2, keys("wqvb") + keys("2") + keys("=") + keys("k ") + keys("l ") + keys("=")
         + op(12, b"\x20") + keys(",.\"\"''") + op(6) + keys(",.")),
        (6, keys("nihao ") + keys("zhongguo") + named("Page_Down") + named("Page_Up") + keys(" ")
         + op(1, b"\x00") + keys("xian") + op(2, b"\x01") + keys("zhongguoren1")),
        (1, op(5, s32(-1)) + op(5, s32(3)) + keys("a") + named("Page_Down") + named("Page_Down")
         + op(1, b"\x02") + op(3) + keys("nihao") + op(4, s32(1)) + keys("khlg ")),
        (0, op(7, string("测试".encode()), string(b"IMYI")) + keys("imyi ")
         + op(8, string("经济 xciy\n新词 abcd 7\n".encode())) + keys("abcd") + op(15, string(b"sub"))
         + op(15, string(b"missing")) + op(7, string(b"\xff\xfe"), string(b"zz"))),
        (4, keys("12345") + keys(" ") + keys("1a") + named("F1") + named("Escape") + op(0, b"\x00\x00\xff\x8d")
         + op(0, b"\xff\xff\xff\xff") + op(11, b"\x16", b"\x05") + keys("smile") + op(10) + keys(" ")),
        (8, keys("ag") + keys(" ") + op(9, s32(1)) + keys("zhong") + op(13, b"\xff\xff\xff\xff")
         + op(14, b"\x05\x19\x07\x0e\x0d\x06")),
    ]


def main():
    for target, inputs in seeds().items():
        d = os.path.join(HERE, "corpus", target)
        os.makedirs(d, exist_ok=True)
        for i, data in enumerate(inputs):
            with open(os.path.join(d, "seed-%02d" % i), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
