#!/usr/bin/env python3
"""Writes the seed of the word dictionary: the source file "word" of a working folder.

    python3 tools/make_seed.py SKK-JISYO OUT [LINES] [--common TEXT]

Reads an SKK dictionary (EUC-JP; Debian's skkdic package, /usr/share/skk/SKK-JISYO.L,
GPL-2+) and writes OUT in the program's source layout, Shift-JIS with CR LF: one line per
word, "reading SPACE text", the reading in full-width katakana as the keyboard builds it.
At most LINES lines (default 20000), so that learning has room before the 30000-line
trim of the word dictionary.

The dictionary holds no frequencies, so commonness is estimated: a reading's first
candidate before its later ones, short readings before long ones, and words written with
the common (JIS level 1) kanji before words that need rarer ones. With --common, words
with kanji that occur with their reading in a sample of everyday writing (lines
"sentence TAB reading", as tools/effort/shaping.tsv) come before all of those, the more
sentences hold them the later.
The most common words are written last, where a search finds them first (the newest
lines).
"""
import sys


def katakana(hiragana):
    return "".join(chr(ord(c) + 0x60) if "ぁ" <= c <= "ゖ" else c for c in hiragana)


def usable(text):
    """A word the program can type: Shift-JIS, no separators, no SKK program text."""
    if not text or text.startswith("(") or any(c in text for c in " \t/;[]"):
        return False
    try:
        text.encode("cp932")
    except UnicodeEncodeError:
        return False
    return True


def rarity(text):
    """How many characters need a JIS level 2 kanji (lead bytes 0x98 0x9F and above)."""
    rare = 0
    for c in text:
        b = c.encode("cp932")
        if len(b) == 2 and (b[0], b[1]) >= (0x98, 0x9F):
            rare += 1
    return rare


def entries(path):
    with open(path, "rb") as f:
        okuri_nasi = False
        for raw in f:
            line = raw.decode("euc_jp", errors="replace").rstrip("\n")
            if line.startswith(";"):
                okuri_nasi = okuri_nasi or "okuri-nasi" in line
                continue
            if not okuri_nasi or " /" not in line:
                continue
            reading, rest = line.split(" /", 1)
            if not reading or not all("ぁ" <= c <= "ゖ" or c == "ー" for c in reading):
                continue
            words = [w.split(";", 1)[0] for w in rest.strip("/").split("/")]
            yield reading, [w for w in words if usable(w)]


def sample(path):
    """The (sentence, reading in hiragana) pairs of a sample of everyday writing."""
    pairs = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or "\t" not in line:
                continue
            sentence, reading = line.rstrip("\r\n").split("\t", 1)
            reading = "".join(chr(ord(c) - 0x60) if "ァ" <= c <= "ヶ" else c
                              for c in reading if c not in " \u3000")
            pairs.append((sentence, reading))
    return pairs


def uses(word, reading, pairs):
    """How many sentences of the sample hold the word (one with a kanji) with its reading.
    A reading of one kana is in nearly every sentence, so it proves nothing."""
    if len(reading) < 2 or not any("\u4e00" <= c <= "\u9fff" for c in word):
        return 0
    return sum(1 for sentence, said in pairs if word in sentence and reading in said)


def main():
    args = sys.argv[1:]
    common = []
    if "--common" in args:
        at = args.index("--common")
        common = sample(args[at + 1])
        del args[at:at + 2]
    if len(args) < 2:
        raise SystemExit(__doc__)
    limit = int(args[2]) if len(args) > 2 else 20000
    ranked = []
    seen = set()
    for reading, words in entries(args[0]):
        kana = katakana(reading)
        for rank, word in enumerate(words):
            if (kana, word) in seen or word == reading or word == kana:
                continue
            seen.add((kana, word))
            cost = 3 * rank + len(reading) + 5 * rarity(word)
            found = uses(word, reading, common) if common else 0
            if found:
                cost = -100 - found  # found in the sample: before every estimate
            ranked.append((cost, len(ranked), kana, word))
    ranked.sort()
    chosen = ranked[:limit]
    chosen.reverse()  # the most common last
    with open(args[1], "wb") as out:
        for _, _, kana, word in chosen:
            out.write(("%s %s\r\n" % (kana, word)).encode("cp932"))


if __name__ == "__main__":
    main()
