#!/usr/bin/env python3
"""Writes the default keyboard data/mivo_key.cfg (Shift-JIS) from the tables below.

This script is the source of the default keyboard: positions are computed here so
that every group keeps its margins and labels fit, and the result is committed as
data/mivo_key.cfg. Run it after changing the tables:

    python3 tools/make_default_keyboard.py            # writes data/mivo_key.cfg and the
                                                      # core operation dictionary
    python3 tools/make_default_keyboard.py --stdout   # prints the keyboard instead
    python3 tools/make_default_keyboard.py --check    # fails when a written file differs
    python3 tools/make_default_keyboard.py --plain    # prints a plain gojuon table

The core operation dictionary (data/PredCore/Macro and Name) names the keys' operations
that prediction learns and offers: OPERATIONS below, each taken from a key of this
keyboard, so the two cannot drift apart.

Positions are worked out in pixels for a reference layout of REF_W x REF_H (the
client area of the window at one third of a 768-pixel screen) and turned into the
file's units, which scale with the window: x and y are ten-thousandths of the parent's
inner size, cx and cy hundred-thousandths of the whole layout.
"""
import sys

REF_W = 1014  # LayoutWidth of the reference window
REF_H = 258   # LayoutHeight of the reference window
FW = 2        # FrameWidth of data/settings.txt

# ---------------------------------------------------------------- colour sets
COLOURS = [
    # id, comment, attributes
    (1, "背景: 黒 (走査中も色は変わらない)",
     "normal=000000 focus=000000 select=000000 fnormal=000000 ffocus=000000 fselect=000000"),
    (2, "グループ: 濃い灰色。走査がその中にあるあいだは水色、スイッチを押しているあいだは赤紫",
     "normal=404040 focus=00ffff select=ff00ff fnormal=a0a0a0 ffocus=00ffff fselect=ff00ff"),
    (3, "かなと英字のキー: 白地に黒。走査中は黄色地に赤枠、スイッチを押しているあいだは赤地に白",
     "normal=ffffff focus=ffff00 select=ff0000 fnormal=000000 ffocus=ff0000 fselect=ffffff "
     "tnormal=000000 tfocus=000000 tselect=ffffff"),
    (4, "編集と機能のキー: 水色地に黒",
     "normal=c0e0ff focus=ffff00 select=ff0000 fnormal=000000 ffocus=ff0000 fselect=ffffff "
     "tnormal=000000 tfocus=000000 tselect=ffffff"),
    (5, "ページ切替のキー: 薄いだいだい色地に黒",
     "normal=ffd090 focus=ffff00 select=ff0000 fnormal=000000 ffocus=ff0000 fselect=ffffff "
     "tnormal=000000 tfocus=000000 tselect=ffffff"),
    (6, "読みの表示と見出し: 淡い黄色地に黒 (選べないキー)",
     "normal=fffff0 fnormal=000000 tnormal=000000"),
    (7, "終了: 薄い赤地に黒",
     "normal=ff9090 focus=ffff00 select=ff0000 fnormal=000000 ffocus=ff0000 fselect=ffffff "
     "tnormal=000000 tfocus=000000 tselect=ffffff"),
    (8, "変換候補: 薄い緑地に黒",
     "normal=d0ffd0 focus=ffff00 select=ff0000 fnormal=000000 ffocus=ff0000 fselect=ffffff "
     "tnormal=000000 tfocus=000000 tselect=ffffff"),
    (9, "操作の予測: 薄い桃色地に黒",
     "normal=ffd8f0 focus=ffff00 select=ff0000 fnormal=000000 ffocus=ff0000 fselect=ffffff "
     "tnormal=000000 tfocus=000000 tselect=ffffff"),
    (10, "次候補・前候補: 薄い灰色地に黒",
     "normal=d8d8d8 focus=ffff00 select=ff0000 fnormal=000000 ffocus=ff0000 fselect=ffffff "
     "tnormal=000000 tfocus=000000 tselect=ffffff"),
    (11, "IME候補/予測候補の切替: 薄い紫地に黒",
     "normal=d8d8ff focus=ffff00 select=ff0000 fnormal=000000 ffocus=ff0000 fselect=ffffff "
     "tnormal=000000 tfocus=000000 tselect=ffffff"),
]
C_BACK, C_GROUP, C_KEY, C_FUNC, C_PAGE, C_READ, C_QUIT = 1, 2, 3, 4, 5, 6, 7

# ---------------------------------------------------------------- the pages
KANA_BLOCKS = [
    # Blocks of the kana table, scanned in this order after the home key (the
    # conversion panel, see add_band); each block
    # holds columns (a row of the table: あいうえお ...), each column its kana.
    # A kana costs the scan to its block, its column and itself: 0.5 s to react to
    # each press, 1.6 s before the first step in a group and 0.8 s for each further
    # step. So each row keeps its kana but puts the frequent ones first, and the rows
    # are dealt out by how often their kana are typed, the most frequent row to the
    # cheapest place (first column of the first block), the next to the next cheapest
    # (second column of the first block or first of the second, and so on). Counted in
    # what tools/typing_sim types of tools/effort/shaping.tsv with no input method
    # (388 kana and marks with the seeds of tools/make_seed.py; most characters come
    # through candidates, so these are mostly the first kana of words): あ行 58, か行 52,
    # さ行 42, た行 39, ま行 32, は行 22, が行 22, や行 20, わをん 19, ら行 17, な行 16,
    # だ行 15, っゃゅょ 13, 、。 8, ざ行 7, then the rare rows. The cheapest places, by the
    # costs above: first column of the first block (2.6 s), of the second (3.4 s), the
    # second column of the first block and the first of the third (4.2 s), and so on.
    # Dealt so, 5.65 s per character on that text, against 5.73 s with the deal of the
    # counts before the seeds knew the common words.
    ("いしまよで", ["いあおうえ", "しすさせそ", "まみもめむ", "よやゆ", "でどだづぢ"]),
    ("かはんっぱ", ["かくきこけ", "はふひへほ", "んをわー", "っょゅゃゎ", "ぱぽぴぷぺ"]),
    ("たら。び記号", ["たてちとつ", "らりるろれ", "。、「」・", "びぶべぼば", "゛゜小"]),
    ("がじ？", ["がごげぎぐ", "じざずぜぞ", "？！～…"]),
    ("なぁ", ["なねのにぬ", "ぁぃぅぇぉ"]),
    # ゛ and ゜ voice the last kana of the reading, 小 makes it small (SmallKana).
]

# The table in plain gojuon order, five rows to a block: the starting point that the
# blocks above improve on (`--plain` writes a keyboard with it, for comparing with
# tools/scan_cost).
PLAIN_KANA_BLOCKS = [
    ("あ〜な", ["あいうえお", "かきくけこ", "さしすせそ", "たちつてと", "なにぬねの"]),
    ("は〜わ", ["はひふへほ", "まみむめも", "やゆよ", "らりるれろ", "わをんー"]),
    ("濁音", ["がぎぐげご", "ざじずぜぞ", "だぢづでど", "ばびぶべぼ", "ぱぴぷぺぽ"]),
    ("小・記号", ["っゃゅょゎ", "ぁぃぅぇぉ", "、。「」・", "？！～…"]),
]

LATIN_ROWS = [
    # (label, key name) per key; each row is one scan group.
    [(c, c) for c in "ABCDEFGHI"],
    [(c, c) for c in "JKLMNOPQR"],
    [(c, c) for c in "STUVWXYZ"],
    [(c, c) for c in "1234567890"],
    [("Shift", "SysShift"), (".", "Period"), (",", "Comma"), ("-", "Hiphen"),
     ("/", "Slash"), (":", "Colon"), ("@", "AtMark"), ("空白", "Space")],
]

MOUSE_MOVES = [("↑", 0, -1), ("↓", 0, 1), ("←", -1, 0), ("→", 1, 0),
               ("左上", -1, -1), ("右上", 1, -1), ("左下", -1, 1), ("右下", 1, 1)]


class Key:
    def __init__(self, kid, parent, rect, name="", macro="", colour=C_KEY,
                 ktype=3, visible=True, comment=None):
        self.kid, self.parent, self.rect = kid, parent, rect
        self.name, self.macro, self.colour = name, macro, colour
        self.ktype, self.visible, self.comment = ktype, visible, comment


class Layout:
    """Keys in file order (= scan order among siblings) with pixel rectangles."""

    def __init__(self):
        self.keys = []
        self.by_id = {}

    def add(self, key):
        assert key.kid not in self.by_id, key.kid
        self.keys.append(key)
        self.by_id[key.kid] = key
        return key

    def client(self, kid):
        """Client size of a key's window: its outer size less the frame inset."""
        _, _, w, h = self.by_id[kid].rect
        return w - 2 * FW, h - 2 * FW

    def units(self, key):
        left, top, w, h = key.rect
        if key.parent == 0:
            xs, ys = REF_W - 10, REF_H - 10
        else:
            cw, ch = self.client(key.parent)
            xs, ys = cw - 2 * FW, ch - 2 * FW
        x = (left * 10000 + xs - 1) // xs  # round up: never left of the wanted edge
        y = (top * 10000 + ys - 1) // ys
        cx = w * 100000 // REF_W
        cy = h * 100000 // REF_H
        return x, y, cx, cy


def grid(left, top, width, height, count, columns, pad):
    """Outer rectangles of count cells in a grid inside (left, top, width, height)."""
    rows = (count + columns - 1) // columns
    cw = (width - 2 * pad) / columns
    ch = (height - 2 * pad) / rows
    cells = []
    for i in range(count):
        r, c = divmod(i, columns)
        x0 = left + pad + round(c * cw)
        x1 = left + pad + round((c + 1) * cw)
        y0 = top + pad + round(r * ch)
        y1 = top + pad + round((r + 1) * ch)
        cells.append((x0, y0, x1 - x0, y1 - y0))
    return cells


# The home key of the kana page: the conversion panel. Three characters in four come
# through its candidates, so the scan starts there after every selection, and the first
# kana block is one step away. Measured with tools/typing_sim on tools/effort/shaping.tsv
# and no input method: 7.35 s per character, against 7.72 s with the panel one step
# after the first kana block.
KANA_HOME = 20


def add_band(L, top_h):
    """The reading and the conversion panel, first in the file and so in the scan."""
    read_w, conv_w = 170, 500
    L.add(Key(10, 1, (0, 0, read_w, top_h), colour=C_READ, ktype=6,
              comment="読み (yomi): 変換中の読みを右寄せで表示する、選べないキー"))
    L.add(Key(20, 1, (read_w, 0, conv_w, top_h), colour=C_GROUP, ktype=1,
              comment="変換候補の枠 (yosoku): ここに候補のキーが並ぶ"))


def build():
    L = Layout()
    root_w, root_h = REF_W, REF_H
    L.add(Key(1, 0, (0, 0, root_w, root_h), colour=C_BACK, ktype=1,
              comment="キーボード全体 (すべてのキーの親)"))
    cw, ch = L.client(1)
    inner_w, inner_h = cw - 2 * FW, ch - 2 * FW
    top_h = 66                      # candidate band
    band_y = top_h
    band_h = inner_h - top_h
    page_w = 704
    edit_w = 200
    pagekeys_w = inner_w - page_w - edit_w

    pages = {}  # page name -> root-level group ids

    # ---- kana page
    add_band(L, top_h)
    ids = []
    total_cols = sum(len(cols) for _, cols in KANA_BLOCKS)
    block_pad = 3
    col_w = (page_w - len(KANA_BLOCKS) * (2 * FW + 2 * block_pad + 2 * FW)) / total_cols
    x = 0
    for b, (label, cols) in enumerate(KANA_BLOCKS):
        bid = 100 + 40 * b
        bw = round(len(cols) * col_w) + 2 * FW + 2 * block_pad + 2 * FW
        if b == len(KANA_BLOCKS) - 1:
            bw = page_w - x
        L.add(Key(bid, 1, (x, band_y, bw, band_h), colour=C_GROUP, ktype=1,
                  comment="かなのブロック「" + label + "」(ホームから走査するグループの一つ)"))
        ids.append(bid)
        bcw, bch = L.client(bid)
        cells = grid(0, 0, bcw, bch, len(cols), len(cols), block_pad)
        for c, column in enumerate(cols):
            cid = bid + 1 + 6 * c
            L.add(Key(cid, bid, cells[c], colour=C_GROUP, ktype=1,
                      comment="行 " + column))
            ccw, cch = L.client(cid)
            kcells = grid(0, 0, ccw, cch, 5, 1, 1)
            for k, kana in enumerate(column):
                L.add(Key(cid + 1 + k, cid, kcells[k], name=kana,
                          macro="SmallKana()" if kana == "小" else "AddRead(%s)" % kana))
        x += bw
    pages["kana"] = ids

    # ---- Latin page (hidden at start)
    ids = []
    rows = grid(0, band_y, page_w, band_h, len(LATIN_ROWS), 1, 0)
    for r, row in enumerate(LATIN_ROWS):
        rid = 300 + 20 * r
        L.add(Key(rid, 1, rows[r], colour=C_GROUP, ktype=1, visible=False,
                  comment="英数の行 " + " ".join(lab for lab, _ in row)))
        ids.append(rid)
        rcw, rch = L.client(rid)
        cells = grid(0, 0, rcw, rch, len(row), 10, 1)
        for k, (label, name) in enumerate(row):
            L.add(Key(rid + 1 + k, rid, cells[k], name=label, macro="Direct(%s)" % name,
                      colour=C_FUNC if name in ("SysShift", "Space") else C_KEY))
    pages["latin"] = ids

    # ---- mouse page (hidden at start)
    ids = []
    rows = grid(0, band_y, page_w, band_h, 4, 1, 0)
    mid = 420
    L.add(Key(mid, 1, rows[0], colour=C_GROUP, ktype=1, visible=False, comment="クリック"))
    ids.append(mid)
    clicks = [("左クリック", "LClick"), ("左ダブル", "LDClick"), ("右クリック", "RClick"),
              ("中クリック", "MClick"), ("左押す", "LDown"), ("左離す", "LUp")]
    mcw, mch = L.client(mid)
    cells = grid(0, 0, mcw, mch, len(clicks), len(clicks), 1)
    for k, (label, name) in enumerate(clicks):
        L.add(Key(mid + 1 + k, mid, cells[k], name=label, macro="Mouse(%s)" % name,
                  colour=C_FUNC))
    for g, (label, step) in enumerate([("大きく移動", 40), ("少し移動", 4)]):
        gid = 440 + 20 * g
        L.add(Key(gid, 1, rows[1 + g], colour=C_GROUP, ktype=1, visible=False,
                  comment="%s (%d ピクセル)。動かしたあと SelectKey でこのグループに戻るので"
                          "続けて動かせる (Lock はキー名しか繰り返せないため)" % (label, step)))
        ids.append(gid)
        gcw, gch = L.client(gid)
        label_w = 96
        cells = grid(label_w, 0, gcw - label_w, gch, len(MOUSE_MOVES), len(MOUSE_MOVES), 1)
        for k, (arrow, dx, dy) in enumerate(MOUSE_MOVES):
            L.add(Key(gid + 1 + k, gid, cells[k], name=arrow,
                      macro="Mouse(Move[%d,%d]) SelectKey(%d)" % (dx * step, dy * step, gid),
                      colour=C_KEY))
        # The group's name on an inert key: last in the file, so that the scan never
        # stops on it and the group is entered at its first arrow, but drawn at the left.
        L.add(Key(gid + 1 + len(MOUSE_MOVES), gid, (1, 1, label_w, gch - 2), name=label,
                  colour=C_READ, ktype=6))
    sid = 480
    L.add(Key(sid, 1, rows[3], colour=C_GROUP, ktype=1, visible=False,
              comment="mivoSweep でポインターを置く / かなのページに戻る"))
    ids.append(sid)
    scw, sch = L.client(sid)
    cells = grid(0, 0, scw, sch, 2, 2, 1)
    L.add(Key(sid + 1, sid, cells[0], name="スイープ", macro="Process(mivoSweep.exe)",
              colour=C_FUNC))
    L.add(Key(sid + 2, sid, cells[1], name="かなに戻る", macro="@PAGE:kana", colour=C_PAGE))
    pages["mouse"] = ids

    # ---- function page (hidden at start)
    ids = []
    rows = grid(0, band_y, page_w, band_h, 4, 1, 0)
    groups = [
        (500, "修飾キー (次のキー 1 回だけに効く)", [
            ("Shift", "Direct(SysShift)"), ("Ctrl", "Direct(SysCtrl)"),
            ("Alt", "Direct(SysAlt)"), ("Win", "Direct(SysWindow)"),
            ("解除", "ReleaseSpecialKeys()")]),
        (520, "よく使う操作", [
            ("全選択", "Direct(SysCtrl) Direct(A)"), ("コピー", "Direct(SysCtrl) Direct(C)"),
            ("切取", "Direct(SysCtrl) Direct(X)"), ("貼付", "Direct(SysCtrl) Direct(V)"),
            ("元に戻す", "Direct(SysCtrl) Direct(Z)"), ("保存", "Direct(SysCtrl) Direct(S)"),
            ("閉じる", "Direct(SysAlt) Direct(F4)")]),
        (540, "定型文 (そのまま入力)", [
            ("はい", "DirectPhrase(はい)"), ("いいえ", "DirectPhrase(いいえ)"),
            ("ありがとう", "DirectPhrase(ありがとうございます。)"),
            ("お願いします", "DirectPhrase(よろしくお願いします。)")]),
        (560, "設定と終了", [
            ("自動走査", "ToggleAutoScan()"), ("単語登録", "RegisterWord()"),
            ("@QUIT", "")]),
    ]
    for r, (gid, label, keys) in enumerate(groups):
        L.add(Key(gid, 1, rows[r], colour=C_GROUP, ktype=1, visible=False, comment=label))
        ids.append(gid)
        gcw, gch = L.client(gid)
        cells = grid(0, 0, gcw, gch, len(keys), len(keys), 1)
        for k, (klabel, macro) in enumerate(keys):
            if klabel == "@QUIT":
                qid = gid + 10
                L.add(Key(qid, gid, cells[k], colour=C_GROUP, ktype=1,
                          comment="終了の確認: 最初のキーは「戻る」、次のキーで終了"))
                qcw, qch = L.client(qid)
                qcells = grid(0, 0, qcw, qch, 2, 2, 1)
                L.add(Key(qid + 1, qid, qcells[0], name="戻る", macro="GoHome()",
                          colour=C_FUNC))
                L.add(Key(qid + 2, qid, qcells[1], name="終了", macro="MivoQuit()",
                          colour=C_QUIT))
                continue
            L.add(Key(gid + 1 + k, gid, cells[k], name=klabel, macro=macro, colour=C_FUNC))
    pages["func"] = ids

    # ---- candidate band: reading, conversion panel, prediction panel
    read_w = 170
    # ---- editing group
    eid = 700
    L.add(Key(eid, 1, (page_w, band_y, edit_w, band_h), colour=C_GROUP, ktype=1,
              comment="編集のキー"))
    ecw, ech = L.client(eid)
    rows = grid(0, 0, ecw, ech, 4, 1, 2)
    top = grid(rows[0][0], rows[0][1], rows[0][2], rows[0][3], 3, 3, 0)
    # The backspace first: the edit key used most, to take back a kana or a choice.
    for k, (label, macro) in enumerate([("後退", "Direct(BS)"), ("改行", "Direct(Enter)"),
                                        ("空白", "Direct(Space)")]):
        L.add(Key(eid + 1 + k, eid, top[k], name=label, macro=macro, colour=C_FUNC))
    aid = eid + 10
    L.add(Key(aid, eid, rows[1], colour=C_GROUP, ktype=1,
              comment="矢印: Lock でスイッチをもう一度使うまで繰り返す"))
    acw, ach = L.client(aid)
    cells = grid(0, 0, acw, ach, 4, 4, 1)
    for k, (label, name) in enumerate([("←", "Left"), ("→", "Right"), ("↑", "Up"),
                                       ("↓", "Down")]):
        L.add(Key(aid + 1 + k, aid, cells[k], name=label, macro="Lock(%s)" % name,
                  colour=C_FUNC))
    mid2 = eid + 20
    L.add(Key(mid2, eid, (rows[2][0], rows[2][1], rows[2][2], rows[2][3] + rows[3][3]),
              colour=C_GROUP, ktype=1, comment="移動と削除 (読消 = 変換中の読みを消す)"))
    mcw, mch = L.client(mid2)
    moves = [("行頭", "Direct(Home)"), ("行末", "Direct(End)"), ("前頁", "Lock(PageUp)"),
             ("次頁", "Lock(PageDown)"), ("削除", "Direct(Del)"), ("Tab", "Direct(Tab)"),
             ("Esc", "Direct(Esc)"), ("読消", "ClearRead()")]
    cells = grid(0, 0, mcw, mch, len(moves), 4, 1)
    for k, (label, macro) in enumerate(moves):
        L.add(Key(mid2 + 1 + k, mid2, cells[k], name=label, macro=macro, colour=C_FUNC))

    conv_w = 500
    L.add(Key(30, 1, (read_w + conv_w, 0, inner_w - read_w - conv_w, top_h),
              colour=C_GROUP, ktype=1,
              comment="操作の予測の枠 (pyosoku): ここに予測のキーが並ぶ"))

    # ---- page keys
    pid = 800
    L.add(Key(pid, 1, (page_w + edit_w, band_y, pagekeys_w, band_h), colour=C_GROUP,
              ktype=1, comment="ページ切替: 左側に出すページを選ぶ"))
    pcw, pch = L.client(pid)
    cells = grid(0, 0, pcw, pch, 4, 1, 2)
    for k, (label, page) in enumerate([("かな", "kana"), ("英数", "latin"),
                                       ("マウス", "mouse"), ("機能", "func")]):
        L.add(Key(pid + 1 + k, pid, cells[k], name=label, macro="@PAGE:" + page,
                  colour=C_PAGE))

    # Page switches: hide the other pages' groups, show this page's, make its first
    # group the home key (the kana page's: the conversion panel).
    for key in L.keys:
        if key.macro.startswith("@PAGE:"):
            page = key.macro[6:]
            parts = ["Hide(%d)" % g for p, gs in pages.items() if p != page for g in gs]
            parts += ["Show(%d)" % g for g in pages[page]]
            parts.append("SetHome(%d)" % (KANA_HOME if page == "kana" else pages[page][0]))
            key.macro = " ".join(parts)
    return L, pages


HEADER = """\
# Mivo の標準キーボード (mivo_key.cfg)
#
# このファイルは tools/make_default_keyboard.py が作ったものです。位置を計算し
# 直すときはそちらを直して作り直してください。文字やマクロを少し変えるだけなら
# このファイルを直接直してもかまいません (Shift-JIS で保存すること)。
#
# ■ 書式
#   color(番号){normal=塗り focus=走査中の塗り select=選択中の塗り
#               fnormal= ffocus= fselect= 枠の色  tnormal= tfocus= tselect= 文字の色}
#     色は赤緑青の 16 進 6 桁 (ff0000 が赤)。
#   key(番号){type=種類 parent=親の番号 x= y= cx= cy= name="表示" onselected="マクロ"
#             colorset=色番号 visible=0 なら最初は隠す}
#     type 1 = 枠 (子キーをまとめるグループ)、3 = キー、6 = 選べない表示。
#     x, y は親の内側の 1/10000、cx, cy はキーボード全体の 1/100000。
#   「#」から行末まではコメント。引用符の外のアスタリスクはそこで読むのを
#   やめる記号なので、引用符の外には書かないこと。
#
# ■ 走査の流れ
#   走査は同じ親をもつキー (グループ) の中を、ファイルに書いた順に進みます。
#   スイッチでグループを選ぶとその中に入り、文字などのキーを選ぶとホーム
#   (かなの最初のブロック) に戻ります。子が一つだけのグループは選んだ
#   とたんにその子が選ばれます。
#   かなは「ブロック → 行 → 文字」の 3 回の選択で入力します。よく使う行ほど
#   走査の早いところに来るように並べてあります (tools/scan_cost で確認できます)。
#   変換候補の枠はホームのすぐ次なので、かなを選んだあと一歩で候補に届きます。
#
# ■ 画面の割り当て (上から)
#   上段: 読み (変換中の読み) | 変換候補 | 操作の予測
#   下段: ページ (かな / 英数 / マウス / 機能 のどれか一つ) | 編集 | ページ切替
#   ページは右端のページキーで切り替えます (Hide と Show で入れ替え、SetHome で
#   そのページの最初のグループをホームにします)。
#
# ■ 番号
#   1 全体 / 10 読み / 20 変換候補 / 30 予測 / 100-299 かな / 300-399 英数
#   400-499 マウス / 500-599 機能 / 700-799 編集 / 800-899 ページ切替
#   色 1-11 (下の color を参照)

"""


# ---------------------------------------------------------------- operations
# Operations that prediction learns and offers, in the order of the core dictionary's
# files: the last lines are the newest and are offered first before anything is learned.
# Keys are four bytes, so that the recent text of learned keys lines up with the
# four-byte groups that the context score compares. Each macro is a key's macro of the
# keyboard (the key's label is the operation's name), or an event of the program, which
# has no name: it is never offered, but its key starts the recent text.
# The latches come before the shortcuts that begin with them: a key's macro is matched
# against the first record whose macro begins with it.
OPERATIONS = [
    ("Init", "Event(Init)"), ("Fini", "Event(Finish)"),
    ("Win_", "Direct(SysWindow)"), ("Alt_", "Direct(SysAlt)"), ("Shft", "Direct(SysShift)"),
    ("Ctrl", "Direct(SysCtrl)"),
    ("Clos", "Direct(SysAlt) Direct(F4)"), ("Save", "Direct(SysCtrl) Direct(S)"),
    ("PgDn", "Lock(PageDown)"), ("PgUp", "Lock(PageUp)"),
    ("Down", "Lock(Down)"), ("Up__", "Lock(Up)"), ("Rght", "Lock(Right)"),
    ("Left", "Lock(Left)"), ("Esc_", "Direct(Esc)"), ("Tab_", "Direct(Tab)"),
    ("Del_", "Direct(Del)"), ("End_", "Direct(End)"), ("Home", "Direct(Home)"),
    ("LDbl", "Mouse(LDClick)"), ("RClk", "Mouse(RClick)"), ("LClk", "Mouse(LClick)"),
    ("Undo", "Direct(SysCtrl) Direct(Z)"), ("SAll", "Direct(SysCtrl) Direct(A)"),
    ("Cut_", "Direct(SysCtrl) Direct(X)"), ("Copy", "Direct(SysCtrl) Direct(C)"),
    ("Pste", "Direct(SysCtrl) Direct(V)"), ("Spce", "Direct(Space)"),
    ("BkSp", "Direct(BS)"), ("Entr", "Direct(Enter)"),
]


def render_operations(L):
    """The core dictionary's macro and name files, CR LF lines, Shift-JIS."""
    labels = {}
    for key in L.keys:
        if key.macro and key.name:
            labels.setdefault(key.macro, key.name)
    macros, names = [], []
    for op, macro in OPERATIONS:
        if len(op.encode("cp932")) != 4:
            raise SystemExit("operation key %r is not four bytes" % op)
        macros.append("%s\t%s\r\n" % (op, macro))
        if macro.startswith("Event("):
            continue
        if macro not in labels:
            raise SystemExit("no key of the keyboard runs %r" % macro)
        names.append("%s\t%s\r\n" % (op, labels[macro]))
    return "".join(macros), "".join(names)


def render(L, pages):
    out = [HEADER]
    out.append("# ---- 色 (colorset の番号)\n")
    for cid, comment, attrs in COLOURS:
        out.append("# %s\ncolor(%d){%s}\n" % (comment, cid, attrs))
    out.append("\n")
    section_names = {1: "全体", 100: "かなのページ", 140: "かなのページ (続き)", 300: "英数のページ (最初は隠す)",
                     420: "マウスのページ (最初は隠す)", 500: "機能のページ (最初は隠す)",
                     10: "上段: 読みと変換候補", 700: "編集", 30: "上段: 操作の予測",
                     800: "ページ切替"}
    for key in L.keys:
        if key.kid in section_names:
            out.append("\n# ---- %s\n" % section_names[key.kid])
        if key.comment:
            out.append("# %s\n" % key.comment)
        x, y, cx, cy = L.units(key)
        attrs = []
        if key.ktype != 3:
            attrs.append("type=%d" % key.ktype)
        if key.parent:
            attrs.append("parent=%d" % key.parent)
        attrs.append("x=%d y=%d cx=%d cy=%d" % (x, y, cx, cy))
        if key.name:
            attrs.append('name="%s"' % key.name)
        if key.macro:
            attrs.append('onselected="%s"' % key.macro)
        attrs.append("colorset=%d" % key.colour)
        if not key.visible:
            attrs.append("visible=0")
        out.append("key(%d){%s}\n" % (key.kid, " ".join(attrs)))
    out.append("""
# ---- 役割
# home: 走査が戻るキー / start: 起動したときのキー / keyboard: GoKeyboard の行き先
home(%d) start(%d) keyboard(%d)
# 変換候補を並べる枠、読みの表示、操作の予測を並べる枠
yosoku(20) yomi(10) pyosoku(30)
# 候補キーの色: 変換候補、予測、次候補、前候補、IME候補/予測候補の切替
yosokucolor(8) pyosokucolor(9) nextcandidatecolor(10) previouscandidatecolor(10)
imecandidatecolor(11)
""" % (KANA_HOME, KANA_HOME, KANA_HOME))
    return "".join(out)


def main():
    global KANA_BLOCKS
    if "--plain" in sys.argv:
        KANA_BLOCKS = PLAIN_KANA_BLOCKS
    L, pages = build()
    text = render(L, pages)
    if "*" in text:
        raise SystemExit("an asterisk outside a text would end the file early")
    if "--stdout" in sys.argv or "--plain" in sys.argv:
        sys.stdout.buffer.write(text.encode("cp932"))
        return
    import os
    data = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
    macros, names = render_operations(L)
    files = {"mivo_key.cfg": text, os.path.join("PredCore", "Macro"): macros,
             os.path.join("PredCore", "Name"): names}
    stale = []
    for name, content in files.items():
        path = os.path.join(data, name)
        if "--check" in sys.argv:
            with open(path, "rb") as f:
                if f.read() != content.encode("cp932"):
                    stale.append("data/" + name)
        else:
            with open(path, "wb") as f:
                f.write(content.encode("cp932"))
    if stale:
        raise SystemExit(", ".join(stale) + " differs from what tools/make_default_keyboard.py "
                         "writes; regenerate with: python3 tools/make_default_keyboard.py")


if __name__ == "__main__":
    main()
