#!/usr/bin/python3
"""Writes the seeds of the conversion dictionaries: the source files "word" and "phrase"
of a working folder.

    /usr/bin/python3 tools/make_seed.py --ipadic DIR --kkc DIR --skk FILE OUT_FOLDER
        --edict FILE [--words N] [--kanji N] [--stems N] [--phrases N]
        [--trigram-phrases N] [--common-bonus COST]

Sources (Debian packages; see the README for versions and licences):
- mecab-ipadic (DIR /usr/share/mecab/dic/ipadic): every word with its reading, and every
  conjugated form of the verbs and adjectives as an entry of its own (EUC-JP CSV).
- libkkc-data (DIR .../libkkc/models/sorted3): a language model trained on a large
  corpus. data.1gram.index is a marisa trie of "reading/word" keys; key id i indexes the
  6-byte records of data.1gram (little-endian uint16 cost first, lower is more frequent);
  data.2gram holds 12-byte records: uint32 word id, uint32 previous word id, uint16 cost,
  uint16 backoff; data.3gram 10-byte records: uint32 word id, uint32 index of the bigram
  record of the two units before it, uint16 cost. Its words are the model's units (痛 and い for 痛い), so the frequency
  of a written word is that of its units in a row: their unigram and bigram costs added.
- skkdic (FILE /usr/share/skk/SKK-JISYO.L): the single kanji with their readings, and the
  stems of inflected words (冷 read さま), so that a compound missing from the seed can be
  written from its characters; and its compounds (誕生日), which the model measures as
  the units they are written with (誕生 日).
- edict (FILE /usr/share/edict/edict): "TEXT [READING] /glosses/" lines, EUC-JP; those
  ending in "/(P)/" are common words. A common word and its conjugated forms rank higher
  by a fixed cost (--common-bonus).

"word" holds "reading SPACE text" lines, "phrase" "context SPACE text SPACE reading"
lines: the likely next words after a context (the text before them), measured by the
model's bigrams. Readings are in full-width katakana, as the keyboard builds them; both
files are Shift-JIS with CR LF. The program searches the newest lines first, so the most
frequent line is written last.
"""
import argparse
import struct
import sys

KATA_TO_HIRA = {c: c - 0x60 for c in range(ord("ァ"), ord("ヶ") + 1)}
HIRA_TO_KATA = {c: c + 0x60 for c in range(ord("ぁ"), ord("ゖ") + 1)}

def hiragana(text):
    return text.translate(KATA_TO_HIRA)


def katakana(text):
    return text.translate(HIRA_TO_KATA)


def is_kana(c):
    return "ぁ" <= c <= "ゖ" or "ァ" <= c <= "ヶ" or c == "ー"


def is_kanji(c):
    return "\u4e00" <= c <= "\u9fff" or c in "々〆ヶ"


# The punctuation the kana keys type, which ends or joins what a phrase follows.
MARKS = "、。"


def typable(text, marks=""):
    """A text the program can hold and type: Shift-JIS kana and kanji (and marks), no
    separators or ASCII."""
    if not text:
        return False
    try:
        sjis = text.encode("cp932")
    except UnicodeEncodeError:
        return False
    return all(b >= 0x80 for b in sjis[::2]) and all(
        is_kana(c) or is_kanji(c) or c in marks for c in text)


def readable(reading):
    """A reading the kana keys can type: kana and the long vowel mark."""
    return bool(reading) and all(is_kana(c) for c in reading) and typable(reading)


# ---------------------------------------------------------------- the language model
class Model:
    """The unigram, bigram and trigram costs of the model, by "reading/word" key."""

    def __init__(self, unigrams, bigrams, trigrams=None):
        self.unigrams = unigrams  # key -> (cost, backoff)
        self.bigrams = bigrams  # (previous key, key) -> cost
        self.trigrams = trigrams or {}  # (key before, previous key, key) -> cost

    @classmethod
    def load(cls, folder):
        import marisa

        trie = marisa.Trie()
        trie.load(folder + "/data.1gram.index")
        with open(folder + "/data.1gram", "rb") as f:
            one = f.read()
        keys = {}
        agent = marisa.Agent()
        agent.set_query("")
        while trie.predictive_search(agent):
            keys[agent.key_id()] = agent.key_str()
        unigrams = {}
        for i, key in keys.items():
            cost, backoff, _ = struct.unpack_from("<HHH", one, i * 6)
            unigrams[key] = (cost, backoff)
        with open(folder + "/data.2gram", "rb") as f:
            two = f.read()
        bigrams, pairs = {}, []
        for at in range(0, len(two) - 11, 12):
            word, previous, cost, _ = struct.unpack_from("<IIHH", two, at)
            pairs.append((keys.get(previous), keys.get(word)))
            if word in keys and previous in keys:
                bigrams[(keys[previous], keys[word])] = cost
        # data.3gram: 10-byte records, uint32 word id, uint32 the index of the bigram
        # record of the two units before it, uint16 cost.
        trigrams = {}
        with open(folder + "/data.3gram", "rb") as f:
            three = f.read()
        for word, pair, cost in struct.iter_unpack("<IIH", three[: len(three) // 10 * 10]):
            if word in keys and pair < len(pairs) and None not in pairs[pair]:
                trigrams[pairs[pair] + (keys[word],)] = cost
        return cls(unigrams, bigrams, trigrams)

    def follow(self, previous, key):
        """The cost of key right after previous: the bigram, or the backoff."""
        cost = self.bigrams.get((previous, key))
        if cost is not None:
            return cost
        return self.unigrams[previous][1] + self.unigrams[key][0]

    def units_of(self):
        """text -> its readings among the model's units, built once."""
        if not hasattr(self, "_units"):
            self._units = {}
            for key in self.unigrams:
                if "/" in key:
                    reading, text = key.split("/", 1)
                    self._units.setdefault(text, []).append(reading)
        return self._units

    def cost(self, reading, text):
        """The cost of writing text read as reading as the model's units in a row (痛 い,
        小 学校), and the first of those units; or None. The cheapest way through wins."""
        reading = hiragana(reading)
        units = self.units_of()
        n, m = len(text), len(reading)
        # at[(i, j)]: last unit -> cost of text[:i] read as reading[:j], and the first unit
        at = {(0, 0): {None: (0, None)}}
        for i in range(n):
            for j in range(m):
                here = at.get((i, j))
                if not here:
                    continue
                for i2 in range(i + 1, min(n, i + 8) + 1):
                    for said in units.get(text[i:i2], ()):
                        if not reading.startswith(said, j):
                            continue
                        key = said + "/" + text[i:i2]
                        step = self.unigrams[key][0]
                        there = at.setdefault((i2, j + len(said)), {})
                        for last, (cost, first) in here.items():
                            total = cost + (step if last is None else self.follow(last, key))
                            old = there.get(key)
                            if old is None or total < old[0]:
                                there[key] = (total, first or key)
        done = at.get((n, m))
        if not done:
            return None
        return min(done.values())


# ---------------------------------------------------------------- the sources
# Forms that are only ever written with more after them (the stem 多 of 多がる, 入 of
# 入んない): no word to offer.
FRAGMENTS = ("ガル接続", "語幹", "体言接続特殊")


def ipadic_entries(folder):
    """(reading in katakana, text, dictionary cost, base form) of every entry of the CSV
    sources but the fragments and the names of people."""
    import glob

    for path in sorted(glob.glob(folder + "/*.csv")):
        if path.endswith("/Noun.name.csv"):
            continue  # the names of people: what a writer needs of them is learned
        with open(path, "rb") as f:
            for raw in f:
                fields = raw.decode("euc_jp", errors="replace").rstrip("\r\n").split(",")
                if len(fields) < 12:
                    continue
                text, cost, reading = fields[0], fields[3], fields[11]
                if not cost.lstrip("-").isdigit() or fields[9].startswith(FRAGMENTS):
                    continue
                base = fields[10] if fields[10] != "*" else text
                yield reading, text, int(cost), base


def skk_entries(path):
    """(reading in katakana, text, place among its reading's candidates) of the single
    kanji of an SKK dictionary, of its stems of inflected words (冷 of 冷ます, read さま;
    新し of 新しい), with which any form of them is written as stem and kana, and of its
    compounds (誕生日): three lists."""
    singles, stems, compounds = [], [], []
    with open(path, "rb") as f:
        okuri_nasi = False
        for raw in f:
            line = raw.decode("euc_jp", errors="replace").rstrip("\n")
            if line.startswith(";"):
                okuri_nasi = okuri_nasi or "okuri-nasi" in line
                continue
            if " /" not in line:
                continue
            reading, rest = line.split(" /", 1)
            if not okuri_nasi:
                if len(reading) < 2 or not reading[-1].isascii() or not reading[-1].isalpha():
                    continue
                reading = reading[:-1]
            for place, word in enumerate(rest.strip("/").split("/")):
                word = word.split(";", 1)[0]
                if okuri_nasi and len(word) == 1 and is_kanji(word):
                    singles.append((katakana(reading), word, place))
                elif okuri_nasi and len(word) > 1 and any(is_kanji(c) for c in word):
                    compounds.append((katakana(reading), word, place))
                elif not okuri_nasi and word and is_kanji(word[0]):
                    stems.append((katakana(reading), word, place))
    return singles, stems, compounds


def edict_common(path):
    """text -> the readings (hiragana) of the words EDICT marks as common, "(P)": those
    of its newspaper and everyday-vocabulary frequency lists. The model counts an
    encyclopaedia; this says which of its words people write every day."""
    common = {}
    with open(path, "rb") as f:
        for raw in f:
            line = raw.decode("euc_jp", errors="replace").rstrip("\n")
            if not line.endswith("/(P)/") or " /" not in line:
                continue
            head, gloss = line.split(" /", 1)
            text, _, reading = head.partition(" [")
            reading = hiragana(reading.rstrip("]") or text)
            common.setdefault(text, set()).add(reading)
            if "(uk)" in gloss:  # usually written in kana: お早う is written おはよう
                common.setdefault(reading, set()).add(reading)
    return common


def common_keys(entries, common):
    """The (reading, text) of the entries that are common words or forms of one: the
    base form is common with a reading whose stem (all but its last kana) begins the
    form's reading (降っ read ふっ of 降る read ふる, not of 降る read くだる)."""
    found = set()
    for reading, text, _, base in entries:
        said = hiragana(reading)
        readings = common.get(base, ())
        if said in common.get(text, ()) or any(said.startswith(r[:-1]) for r in readings
                                                if base != text and len(r) > 1):
            found.add((reading, text))
    return found


# ---------------------------------------------------------------- the seeds
def measure(entries, model, source_costs=None):
    """(reading, text) -> (cost, first unit) of every usable entry the model measures,
    and the rest with None. source_costs, if given, gets each entry's lowest cost in its
    source dictionary."""
    measured = {}
    for reading, text, source_cost, *_ in entries:
        if not readable(reading) or not typable(text):
            continue
        if not any(is_kanji(c) for c in text) and len(text) < 2:
            continue
        key = (reading, text)
        if source_costs is not None:
            source_costs[key] = min(source_cost, source_costs.get(key, source_cost))
        if key not in measured:
            measured[key] = model.cost(reading, text)
            if measured[key] is None and "々" in text:
                # The model writes no 々 (様々 stands as さまざま in it): such a word is as
                # frequent as its reading written in kana.
                kana = hiragana(reading) + "/" + hiragana(reading)
                if kana in model.unigrams:
                    measured[key] = (model.unigrams[kana][0], kana)
    return measured


# An SKK word has no cost of its own: on a tie in the model it yields to the mecab-ipadic
# entries, whose costs stay below this, and among its kind goes by its place in SKK.
SKK_COST = 1 << 16

# A single kanji or a stem is written alone less often than the words it stands in.
PART_COST = 3000


def part_costs(measured):
    """The cost of a part (a single kanji, a stem) from the measured words it begins or
    ends, read as they begin or end: 操 read そう from 体操 and 操作, 冷 read さま from
    冷まし. Returns a function of (reading, text)."""
    starting, ending = {}, {}
    for (reading, text), m in measured.items():
        if m:
            starting.setdefault(text[0], []).append((m[0], reading, text))
            ending.setdefault(text[-1], []).append((m[0], reading, text))

    def cost(reading, text):
        costs = [c for c, r, t in starting.get(text[0], ())
                 if t.startswith(text) and r.startswith(reading)]
        costs += [c for c, r, t in ending.get(text[-1], ())
                  if t.endswith(text) and r.endswith(reading)]
        return min(costs) + PART_COST if costs else None

    return cost


def compound_readings(measured, singles):
    """The readings single kanji take inside the measured two-kanji words, where the other
    kanji reads as the SKK dictionary has it (雑 read ざっ in 雑誌, 誌 being し; 棚 read だな
    in 本棚): (reading, kanji, place) not among the singles, so that such a word missing
    from the seed is still written from its characters."""
    known = {}
    for reading, text, _ in singles:
        known.setdefault(text, set()).add(reading)
    found = set()
    for (reading, text), m in measured.items():
        if not m or len(text) != 2 or not all(is_kanji(c) for c in text):
            continue
        first, second = text
        for said in known.get(second, ()):
            if len(reading) > len(said) and reading.endswith(said):
                found.add((reading[: -len(said)], first))
        for said in known.get(first, ()):
            if len(reading) > len(said) and reading.startswith(said):
                found.add((reading[len(said):], second))
    held = {(reading, text) for reading, text, _ in singles}
    return [(reading, text, 100) for reading, text in sorted(found - held)]


# How much likelier a common word counts than the model alone says.
COMMON_BONUS = 4000


def words(measured, model, extra, limit, extra_limits, source_costs=None, common=(),
          bonus=COMMON_BONUS):
    """The word seed, most frequent last: the measured entries, most frequent first up to
    limit (a common one counting bonus cheaper, and on a tie the one with the lower
    source_costs first); then of each group of extra entries (reading, text, place) the
    ones it does not already hold, up to its limit, by their cost in the model or else as
    parts of the measured words, then by their place among their reading's candidates."""
    source_costs = source_costs or {}
    rank = {key: (m[0] - (bonus if key in common else 0), source_costs.get(key, 0))
            for key, m in measured.items() if m}
    ranked = sorted(rank, key=lambda k: (rank[k], k))
    chosen = {key: rank[key] for key in ranked[:limit]}
    as_part = part_costs(measured)
    for group, group_limit in zip(extra, extra_limits):
        ranks = {}
        for reading, text, place in group:
            key = (reading, text)
            if key in chosen or not readable(reading) or not typable(text):
                continue
            m = model.cost(reading, text)
            cost = m[0] if m else as_part(reading, text)
            rank = (cost if cost is not None else 1 << 20, place)
            if key not in ranks or rank < ranks[key]:
                ranks[key] = rank
        for key in sorted(ranks, key=lambda k: (ranks[k], k))[:group_limit]:
            chosen[key] = ranks[key]
    return sorted(chosen, key=lambda k: (chosen[k], k), reverse=True)


def phrases(measured, model, limit, trigram_limit=0, per_unit=2):
    """The phrase seed, most frequent last: (context, text, reading) of the likeliest
    written words after each unit of the model, the context that unit's text. A word's
    cost after a unit is the bigram of that unit and the word's first unit, plus the
    rest of the word's own cost. A particle or a mark is a unit of its own (が, 。): one
    choice on the panel instead of a kana and then the reading itself. The model's end of
    a sentence is written 。, the likeliest next word after です; its start is no context
    (the sentences of the model begin with anything, even particles)."""

    def text_of(unit):  # a unit's text as context; the model's sentence marks are none
        return unit.split("/", 1)[1] if "/" in unit and unit not in ("<s>", "</s>") else None

    starting = {}  # first unit -> [(cost of the rest, reading, text)], cheapest first
    if "</s>" in model.unigrams:
        starting["</s>"] = [(0, "。", "。")]
    for key in model.unigrams:
        text = key.split("/", 1)[-1]
        if len(text) == 1 and ("ぁ" <= text <= "ゖ" or text in MARKS):
            starting[key] = [(0, katakana(text), text)]
    for (reading, text), m in measured.items():
        if m and len(text) >= 2:
            cost, first = m
            starting.setdefault(first, []).append((cost - model.unigrams[first][0], reading, text))
    for first in list(starting):
        starting[first] = sorted(starting[first])[:per_unit]

    def likeliest(ngrams, cost_before, limit):
        best = {}
        for units, cost in ngrams:
            *before, key = units
            if key not in starting or None in map(text_of, before):
                continue
            context = "".join(map(text_of, before))[-4:]
            if not typable(context, MARKS):
                continue
            for rest, reading, text in starting[key]:
                total = cost_before(before) + cost + rest
                entry = (context, text, reading)
                if entry not in best or total < best[entry]:
                    best[entry] = total
        return {e: best[e] for e in sorted(best, key=lambda e: (best[e], e))[:limit]}

    chosen = likeliest(model.bigrams.items(), lambda b: model.unigrams[b[0]][0], limit)
    # After two units the context is longer, and the search weighs a longer match more:
    # 痛い after 頭が comes before what follows any が.
    more = likeliest(
        model.trigrams.items(),
        lambda b: model.unigrams[b[0]][0] + model.follow(b[0], b[1]), trigram_limit)
    for entry, cost in more.items():
        if entry not in chosen or cost < chosen[entry]:
            chosen[entry] = cost
    ordered = sorted(chosen, key=lambda e: (chosen[e], e))
    ordered.reverse()
    return ordered


def write(path, lines):
    with open(path, "wb") as out:
        for fields in lines:
            out.write((" ".join(fields) + "\r\n").encode("cp932"))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--ipadic", required=True)
    parser.add_argument("--kkc", required=True)
    parser.add_argument("--skk", required=True)
    parser.add_argument("--edict", required=True)
    parser.add_argument("--common-bonus", type=int, default=COMMON_BONUS)
    parser.add_argument("--words", type=int, default=22500)
    parser.add_argument("--kanji", type=int, default=2000)
    parser.add_argument("--stems", type=int, default=1000)
    parser.add_argument("--phrases", type=int, default=15000)
    parser.add_argument("--trigram-phrases", type=int, default=4000)
    parser.add_argument("out")
    args = parser.parse_args(argv)
    model = Model.load(args.kkc)
    singles, stems, compounds = skk_entries(args.skk)
    entries = list(ipadic_entries(args.ipadic))
    entries += [(r, t, SKK_COST + place, t) for r, t, place in compounds]
    source_costs = {}
    measured = measure(entries, model, source_costs)
    common = common_keys(entries, edict_common(args.edict))
    extra = (singles + compound_readings(measured, singles), stems)
    write(args.out + "/word",
          words(measured, model, extra, args.words, (args.kanji, args.stems), source_costs,
                common, args.common_bonus))
    write(args.out + "/phrase", phrases(measured, model, args.phrases, args.trigram_phrases))


if __name__ == "__main__":
    main(sys.argv[1:])
