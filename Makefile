# The two commands of the quick start, and the steps they are made of.
#   make run    build the Windows programs and start the keyboard on data/ under Wine
#   make test   check the tree, build everything and run every test (unit, scenario,
#               fuzz, e2e)

JOBS ?= 2
NATIVE := build/native
WIN32 := build/win32
FUZZ := build/fuzz
BENCH := build/bench
FUZZ_SECONDS ?= 20

.PHONY: all deps native windows fuzz bench seed test checks unit-test fuzz-test e2e-test run effort clean

all: native windows

deps:
	@tools/install-deps.sh

$(NATIVE)/Makefile: CMakeLists.txt | deps
	cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug -DMIVO_SANITIZE=ON

native: deps
	@test -f $(NATIVE)/CMakeCache.txt || cmake -S . -B $(NATIVE) -DCMAKE_BUILD_TYPE=Debug -DMIVO_SANITIZE=ON
	cmake --build $(NATIVE) -j $(JOBS)

windows: deps
	@test -f $(WIN32)/CMakeCache.txt || cmake -S . -B $(WIN32) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
	cmake --build $(WIN32) -j $(JOBS)

fuzz: deps
	@test -f $(FUZZ)/CMakeCache.txt || CXX=clang++ cmake -S . -B $(FUZZ) -DCMAKE_BUILD_TYPE=Debug -DMIVO_FUZZ=ON -DMIVO_TESTS=OFF
	cmake --build $(FUZZ) -j $(JOBS)

bench: deps
	@test -f $(BENCH)/CMakeCache.txt || cmake -S . -B $(BENCH) -DCMAKE_BUILD_TYPE=Release -DMIVO_BENCH=ON -DMIVO_TESTS=OFF
	cmake --build $(BENCH) -j $(JOBS)

unit-test: native seed
	cd $(NATIVE) && ctest -j $(JOBS) --output-on-failure

fuzz-test: fuzz
	@tests/fuzz/run.sh $(FUZZ) $(FUZZ_SECONDS)

# Fast checks of the tree itself, before anything is built: every command the scripts
# call comes from a package that install-deps.sh names; every #include keeps to the
# folder table; every C++ file is as .clang-format writes it; the default keyboard and
# its core operation dictionary are what their generator writes; the build tools' own
# tests pass (Debian's python3, whose python3-marisa the seed generator needs).
checks: deps
	@python3 tools/check_commands.py
	@out=$$(/usr/bin/python3 -m unittest discover -s tests/tools -q 2>&1) || { echo "$$out"; exit 1; }; \
	  echo "tools tests: $$(echo "$$out" | grep '^Ran'), $$(echo "$$out" | tail -n 1)"
	@python3 tools/check_layers.py
	@files=$$(find src tests tools bench -name '*.cpp' -o -name '*.h'); \
	  clang-format --dry-run --Werror $$files && \
	  echo "format: $$(echo $$files | wc -w) files as .clang-format writes them"
	@python3 tools/make_default_keyboard.py --check

# The seeds of the conversion dictionaries in the default working folder, made from
# Debian's mecab-ipadic (words and their conjugated forms), libkkc-data (the frequencies
# that order them, and the word pairs of the phrase seed), skkdic (single kanji and
# compounds) and edict (which words are common); the
# program copies them into data/Trans the first time it starts there.
KKC_MODEL := /usr/lib/x86_64-linux-gnu/libkkc/models/sorted3
# One run writes both; a missing one makes it run again.
SEEDS := data/word data/phrase
$(SEEDS) &: tools/make_seed.py | deps
	/usr/bin/python3 tools/make_seed.py --ipadic /usr/share/mecab/dic/ipadic --kkc $(KKC_MODEL) \
	  --skk /usr/share/skk/SKK-JISYO.L --edict /usr/share/edict/edict data

seed: $(SEEDS)

e2e-test: windows seed
	@tests/e2e/run.sh

test: checks unit-test fuzz-test e2e-test
	@echo "make test: all test kinds passed"

run: windows seed
	@tools/run.sh

# Switch effort of the default folder: the simulated switch user of tools/typing_sim types
# the two held-out texts with no input method (as under Wine), then with Anthy (a few
# minutes; not part of make test).
EFFORT_TEXT := tools/effort
effort: native seed
	$(NATIVE)/typing_sim --fresh --ime none data $(EFFORT_TEXT)/report.tsv
	$(NATIVE)/typing_sim --fresh --ime none data $(EFFORT_TEXT)/faq.tsv
	$(NATIVE)/typing_sim --fresh data $(EFFORT_TEXT)/report.tsv
	$(NATIVE)/typing_sim --fresh data $(EFFORT_TEXT)/faq.tsv
