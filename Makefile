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
# its core operation dictionary are what their generator writes.
checks: deps
	@python3 tools/check_commands.py
	@python3 tools/check_layers.py
	@files=$$(find src tests tools bench -name '*.cpp' -o -name '*.h'); \
	  clang-format --dry-run --Werror $$files && \
	  echo "format: $$(echo $$files | wc -w) files as .clang-format writes them"
	@python3 tools/make_default_keyboard.py --check

# The seed of the word dictionary in the default working folder, made from Debian's
# skkdic; the program copies it into data/Trans/word the first time it starts there.
# Words of the shaping half of the switch-effort text count as the most common.
SEED := data/word
$(SEED): tools/make_seed.py tools/effort/shaping.tsv | deps
	python3 tools/make_seed.py /usr/share/skk/SKK-JISYO.L $@ --common tools/effort/shaping.tsv

seed: $(SEED)

e2e-test: windows seed
	@tests/e2e/run.sh

test: checks unit-test fuzz-test e2e-test
	@echo "make test: all test kinds passed"

run: windows seed
	@tools/run.sh

# Switch effort of the default folder: the simulated switch user of tools/typing_sim types
# the held-out text, then the whole text (a few minutes; not part of make test).
EFFORT_TEXT := tools/effort
effort: native seed
	$(NATIVE)/typing_sim --fresh data $(EFFORT_TEXT)/report.tsv
	$(NATIVE)/typing_sim --fresh data $(EFFORT_TEXT)/shaping.tsv $(EFFORT_TEXT)/report.tsv

clean:
	rm -rf build
