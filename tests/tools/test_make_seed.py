#!/usr/bin/python3
"""tools/make_seed.py on tiny sources of each of its formats: mecab-ipadic CSVs, a libkkc
model (marisa trie and gram records), an SKK dictionary and EDICT. Run with /usr/bin/python3,
whose python3-marisa reads and writes the trie."""
import os
import struct
import sys
import tempfile
import unittest

import marisa

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tools"))
import make_seed  # noqa: E402

# key -> (cost, backoff); a lower cost is a more frequent unit
UNIGRAMS = {"いた/痛": (3000, 500), "い/い": (1000, 400), "く/く": (1500, 400),
            "む/む": (2000, 300), "ん/ん": (1000, 100), "か/書": (2500, 400),
            "おお/多": (1000, 100), "あたま/頭": (2800, 300), "かた/型": (4000, 100),
            "とても/とても": (2600, 200), "えー/A": (500, 100), "</s>": (900, 0), "<s>": (65535, 0)}
BIGRAMS = {("いた/痛", "い/い"): 100, ("いた/痛", "む/む"): 300, ("か/書", "く/く"): 200,
           ("あたま/頭", "いた/痛"): 400, ("とても/とても", "いた/痛"): 100,
           ("とても/とても", "あたま/頭"): 0, ("えー/A", "か/書"): 0, ("い/い", "</s>"): 50,
           ("<s>", "とても/とても"): 0}
# (unit before, previous unit, unit) -> cost
TRIGRAMS = {("とても/とても", "あたま/頭", "いた/痛"): 50}

# (reading, text) the program cannot hold or type; each is one cheap unit of the model, so
# that only the filter keeps it out of the seed
UNTYPABLE = [("コウ", "丂"),  # in EUC-JP (JIS X 0212), not in Shift-JIS
             ("エーカタ", "A型"),  # ASCII in the text
             ("カタa", "型")]  # ASCII in the reading
for _reading, _text in UNTYPABLE:
    UNIGRAMS[make_seed.hiragana(_reading) + "/" + _text] = (100, 100)

# text, part of speech, conjugation form, reading
IPADIC = {"Adj.csv": [("痛い", "形容詞", "基本形", "イタイ"), ("痛く", "形容詞", "連用テ接続", "イタク"),
                      ("痛", "形容詞", "ガル接続", "イタ"), ("多", "形容詞", "語幹", "オオ")],
          "Verb.csv": [("痛む", "動詞", "基本形", "イタム"), ("痛ん", "動詞", "体言接続特殊", "イタン"),
                       ("書く", "動詞", "基本形", "カク")],
          "Noun.csv": [("頭", "名詞", "*", "アタマ"), ("型", "名詞", "*", "カタ"),
                       ("未知", "名詞", "*", "ミチ")] + [(t, "名詞", "*", r) for r, t in UNTYPABLE]}

SKK = """;; okuri-ari entries.
かk /書/
さまs /冷/覚/
;; okuri-nasi entries.
いた /板/
かた /型/肩;annotation/
あたま /頭/
いたい /遺体/
かかた /書型/
"""

EDICT = """痛い [いたい] /(adj-i) painful/(P)/
型 [かた] /(n) mould/
降る [ふる] /(v5r) to fall/(P)/
降る [くだる] /(v5r) to descend/
お早う [おはよう] /(int) (uk) good morning/(P)/
"""


def write_sources(root):
    os.mkdir(root + "/ipadic")
    for name, rows in IPADIC.items():
        with open(root + "/ipadic/" + name, "wb") as f:
            for text, pos, form, reading in rows:
                base = "痛い" if text == "痛く" else text
                line = f"{text},1,1,5000,{pos},*,*,*,*,{form},{base},{reading},{reading}\n"
                f.write(line.encode("euc_jp"))
    os.mkdir(root + "/kkc")
    keyset = marisa.Keyset()
    for key in UNIGRAMS:
        keyset.push_back(key)
    trie = marisa.Trie()
    trie.build(keyset)
    trie.save(root + "/kkc/data.1gram.index")
    ids = {}
    for key in UNIGRAMS:
        agent = marisa.Agent()
        agent.set_query(key)
        assert trie.lookup(agent)
        ids[key] = agent.key_id()
    one = bytearray(6 * len(ids))
    for key, (cost, backoff) in UNIGRAMS.items():
        struct.pack_into("<HHH", one, 6 * ids[key], cost, backoff, 0)
    with open(root + "/kkc/data.1gram", "wb") as f:
        f.write(one)
    with open(root + "/kkc/data.2gram", "wb") as f:
        for (previous, key), cost in BIGRAMS.items():
            f.write(struct.pack("<IIHH", ids[key], ids[previous], cost, 0))
    pairs = list(BIGRAMS)
    with open(root + "/kkc/data.3gram", "wb") as f:
        for (before, previous, key), cost in TRIGRAMS.items():
            f.write(struct.pack("<IIH", ids[key], pairs.index((before, previous)), cost))
    with open(root + "/skk", "wb") as f:
        f.write(SKK.encode("euc_jp"))
    with open(root + "/edict", "wb") as f:
        f.write(EDICT.encode("euc_jp"))


def run(root, *limits):
    out = tempfile.mkdtemp(dir=root)
    options = [f"--{name}={n}" for name, n in zip(("words", "kanji", "stems", "phrases", "trigram-phrases"), limits)]
    options.append("--common-bonus=0")  # the order of the model alone; the bonus has its own test
    make_seed.main(["--ipadic", root + "/ipadic", "--kkc", root + "/kkc", "--skk", root + "/skk",
                    "--edict", root + "/edict", *options, out])
    seeds = []
    for name in ("word", "phrase"):
        with open(out + "/" + name, "rb") as f:
            seeds.append(f.read())
    return seeds


def lines(seed):
    return seed.decode("cp932").split("\r\n")[:-1]


class MakeSeedTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.root = cls.tmp.name
        write_sources(cls.root)
        cls.raw = run(cls.root)
        cls.word, cls.phrase = map(lines, cls.raw)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_costs_of_units_in_a_row(self):
        model = make_seed.Model.load(self.root + "/kkc")
        for reading, text, cost in [("イタイ", "痛い", 3000 + 100),  # unigram + bigram
                                    ("イタク", "痛く", 3000 + 500 + 1500),  # backoff, no bigram
                                    ("ミチ", "未知", None)]:
            with self.subTest(text):
                got = model.cost(reading, text)
                self.assertEqual(got and got[0], cost)

    def test_conjugated_forms_but_not_fragments(self):
        for reading, text, kept in [("イタイ", "痛い", True), ("イタク", "痛く", True),
                                    ("イタム", "痛む", True), ("カク", "書く", True),
                                    ("イタ", "痛", False),  # ガル接続
                                    ("イタン", "痛ん", False),  # 体言接続特殊
                                    ("オオ", "多", False)]:  # 語幹
            with self.subTest(text):
                self.assertEqual(f"{reading} {text}" in self.word, kept)

    def test_most_frequent_last_and_unmeasured_out(self):
        ipadic = {f"{r} {t}" for rows in IPADIC.values() for t, _, _, r in rows}
        self.assertEqual([w for w in self.word if w in ipadic],
                         ["イタク 痛く", "カタ 型", "イタム 痛む", "イタイ 痛い", "アタマ 頭", "カク 書く"])

    def test_untypable_left_out_and_shift_jis_crlf(self):
        for reading, text in UNTYPABLE:
            with self.subTest(text):
                self.assertNotIn(f"{reading} {text}", self.word)
        for raw, shape in zip(self.raw, (r"[ァ-ヶー]+ \S+", r"\S+ \S+ [ァ-ヶー、。]+")):
            self.assertTrue(raw.endswith(b"\r\n"))
            self.assertNotIn(b"\n", raw.replace(b"\r\n", b""))
            for line in lines(raw):
                self.assertRegex(line, "^" + shape + "$")

    def test_budgets(self):
        for limits, word, phrases in [
                # 書 as read in the SKK compound 書型 takes the place of a single kanji
                ((2, 1, 1, 1, 0), {"カク 書く", "アタマ 頭", "カ 書", "サマ 冷"}, 1),
                ((0, 0, 0, 0, 0), set(), 0),
                ((9, 0, 0, 9, 1), {"イタク 痛く", "カタ 型", "イタム 痛む", "イタイ 痛い", "アタマ 頭",
                                   "カク 書く", "カカタ 書型"}, 9),
                ((0, 9, 9, 0, 0), {"イタ 板", "カタ 型", "カタ 肩", "アタマ 頭", "カ 書", "サマ 冷",
                                "サマ 覚"}, 0)]:
            with self.subTest(limits):
                got = [lines(seed) for seed in run(self.root, *limits)]
                self.assertCountEqual(got[0], word)
                self.assertEqual(len(got[1]), phrases)

    def test_phrases_follow_their_context_most_frequent_last(self):
        # 頭 after とても is one character, and A is no context the program can type; a
        # kana unit (い after the stem 痛) is a next word of its own; after two units the
        # context is both; the model's sentence end is 。 (its start is no context)
        self.assertEqual(self.phrase, ["頭 痛む イタム", "頭 痛い イタイ", "痛 む ム", "痛 い イ",
                                       "とても 痛む イタム", "とても頭 痛む イタム", "とても 痛い イタイ",
                                       "とても頭 痛い イタイ", "書 く ク", "い 。 。"])

    def test_one_character_words_leave_phrase_places_to_whole_words(self):
        # 痛 alone, the cheapest word of its unit, must not take a place of 痛む
        model = make_seed.Model({"あたま/頭": (2800, 0), "いた/痛": (3000, 0)},
                                {("あたま/頭", "いた/痛"): 400})
        measured = {("イタ", "痛"): (3000, "いた/痛"), ("イタイ", "痛い"): (3100, "いた/痛"),
                    ("イタム", "痛む"): (3300, "いた/痛")}
        self.assertEqual(make_seed.phrases(measured, model, 10),
                         [("頭", "痛む", "イタム"), ("頭", "痛い", "イタイ")])

    def test_readings_of_kanji_inside_compounds(self):
        singles = [("シ", "誌", 0), ("ホン", "本", 0), ("ザツ", "雑", 0), ("ヒ", "日", 0)]
        for measured, derived in [
                ({("ザッシ", "雑誌"): (1, "")}, [("ザッ", "雑", 100)]),  # 誌 is し
                ({("ホンダナ", "本棚"): (1, "")}, [("ダナ", "棚", 100)]),  # 本 is ほん
                ({("ザツム", "雑務"): (1, "")}, [("ム", "務", 100)]),  # 雑 is ざつ; its own is held
                ({("ザッシ", "雑誌"): (1, ""), ("ザツム", "雑務"): (1, "")},
                 [("ザッ", "雑", 100), ("ム", "務", 100)]),
                ({("ホンダナ", "本棚"): None}, []),  # not measured
                ({("ホンダナ", "本棚だ"): (1, "")}, []),  # not two kanji
                ({("ヒビ", "日日"): (1, "")}, [("ビ", "日", 100)])]:  # the same kanji twice
            with self.subTest(measured):
                self.assertEqual(make_seed.compound_readings(measured, singles), derived)

    def test_skk_single_kanji_and_stems(self):
        singles, stems, words = make_seed.skk_entries(self.root + "/skk")
        self.assertEqual(words, [("イタイ", "遺体", 0), ("カカタ", "書型", 0)])
        self.assertEqual(singles, [("イタ", "板", 0), ("カタ", "型", 0), ("カタ", "肩", 1),
                                   ("アタマ", "頭", 0)])
        self.assertEqual(stems, [("カ", "書", 0), ("サマ", "冷", 0), ("サマ", "覚", 1)])
        self.assertEqual(len(self.word), len(set(self.word)))
        self.assertTrue({"イタ 板", "カタ 肩", "カ 書", "サマ 冷"} <= set(self.word))

    def test_common_words_and_their_forms(self):
        common = make_seed.edict_common(self.root + "/edict")
        for reading, text, base, found in [("イタイ", "痛い", "痛い", True),
                                           ("イタク", "痛く", "痛い", True),  # a form of it
                                           ("カタ", "型", "型", False),  # not marked common
                                           ("フッ", "降っ", "降る", True),
                                           ("クダッ", "降っ", "降る", False),  # the reading not marked
                                           ("オハヨウ", "おはよう", "おはよう", True)]:  # (uk)
            with self.subTest(text=text, reading=reading):
                got = make_seed.common_keys([(reading, text, 0, base)], common)
                self.assertEqual(got == {(reading, text)}, found)

    def test_common_words_rank_higher_and_ties_go_by_source_cost(self):
        measured = {("ア", "亜"): (3000, ""), ("イ", "伊"): (2000, ""), ("ウ", "卯"): (2000, "")}
        for common, costs, order in [((), {}, ["亜", "卯", "伊"]),
                                     ({("ア", "亜")}, {}, ["卯", "伊", "亜"]),
                                     ((), {("イ", "伊"): 9, ("ウ", "卯"): 1}, ["亜", "伊", "卯"])]:
            with self.subTest(common=common, costs=costs):
                got = make_seed.words(measured, None, (), 9, (), costs, common, 1500)
                self.assertEqual([text for _, text in got], order)


if __name__ == "__main__":
    unittest.main()
