# The two commands of the README (make demo, make test) and a few helpers around CMake.
BUILD      ?= build
ASAN_BUILD ?= build-asan
ASAN_RENDER_BUILD ?= build-asan-render
FUZZ_BUILD ?= build-fuzz
JOBS       ?= $(shell nproc)
FUZZ_SECONDS ?= 60
# Warnings fail the build of make and make test (WERROR=OFF to look past them for a while).
WERROR     ?= ON

.PHONY: all deps configure build demo test test-unit test-asan test-asan-render test-wine test-deb deb fuzz bench mutate install clean

all: build

deps:
	@./scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_WERROR=$(WERROR) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

demo: build
	@mkdir -p out
	./$(BUILD)/korvel info samples/demo.jww
	@if ./$(BUILD)/korvel help 2>/dev/null | grep -q convert; then \
	  ./$(BUILD)/korvel convert samples/demo.jww -d out --format png,emf,gif; fi

test: build test-unit test-asan

test-unit:
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

# The drawing readers once more under AddressSanitizer and UndefinedBehaviorSanitizer.
test-asan: deps test-asan-render
	@cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON \
	  -DKORVEL_ONLY_DRAWING=ON -DKORVEL_BENCH=OFF -DKORVEL_WERROR=$(WERROR) >/dev/null
	@cmake --build $(ASAN_BUILD) -j $(JOBS)
	@cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS) --timeout 900

# The render layer's tests (picture decoders among them) under the same sanitizers; only that
# one test program is built, so Qt and the layers above are not compiled again.
test-asan-render: deps
	@cmake -S . -B $(ASAN_RENDER_BUILD) -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=ON \
	  -DKORVEL_BENCH=OFF -DKORVEL_WERROR=$(WERROR) >/dev/null
	@cmake --build $(ASAN_RENDER_BUILD) -j $(JOBS) --target korvel_tests_render
	@ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ./$(ASAN_RENDER_BUILD)/korvel_tests_render --gtest_brief=1

# Only the clipboard exchange with Jw_win checked against Wine itself (make test runs it too).
test-wine: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_WERROR=$(WERROR) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target korvel jwwin_clip transfer_probe
	@cd $(BUILD) && ctest --output-on-failure -L wine

# libFuzzer on the loaders, the picture decoders, the INI and .reg readers and the renderer,
# each in turn for FUZZ_SECONDS: make fuzz FUZZ_SECONDS=600. Findings land in $(FUZZ_BUILD).
FUZZ_TARGETS ?= fuzz_loaders fuzz_pictures fuzz_ini fuzz_registry fuzz_render
fuzz: deps
	@cmake -S . -B $(FUZZ_BUILD) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
	  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON -DBUILD_TESTING=OFF -DKORVEL_BENCH=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(FUZZ_TARGETS)
	@for t in $(FUZZ_TARGETS); do \
	  mkdir -p $(FUZZ_BUILD)/corpus/$$t && cp -n fuzz/corpus/$$t/* $(FUZZ_BUILD)/corpus/$$t/ 2>/dev/null; \
	  case $$t in fuzz_loaders|fuzz_render) cp -n samples/*.jww $(FUZZ_BUILD)/corpus/$$t/ 2>/dev/null;; esac; \
	  seeds=""; case $$t in fuzz_loaders|fuzz_render) [ -d ../shared/samples/jww ] && seeds=../shared/samples/jww;; esac; \
	  echo "== $$t"; \
	  (cd $(FUZZ_BUILD) && ./fuzz/$$t -max_total_time=$(FUZZ_SECONDS) -max_len=200000 -rss_limit_mb=2048 \
	    -print_final_stats=1 corpus/$$t $$(if [ -n "$$seeds" ]; then echo ../$$seeds; fi)) || exit 1; \
	done

# Plants faults one at a time in a copy of the tree and says which ones the tests catch; a
# developer's tool, not part of make test. make mutate MUTATE="auto --count 20 --seed 7 src/output"
MUTATE ?= listed
mutate: deps
	@python3 scripts/mutate.py $(MUTATE)

bench: build
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b"; done

# The Debian package, korvel_<version>_amd64.deb in $(BUILD): apt install ./$(BUILD)/korvel_*.deb
deb: build
	@cd $(BUILD) && cpack -G DEB >/dev/null
	@ls $(BUILD)/korvel_*_*.deb

# Installs the package, runs its korvel (info, convert, the window under Xvfb) and removes it
# again; needs root or sudo, and is not part of make test.
test-deb: deb
	@./scripts/check-deb.sh $$(ls -t $(BUILD)/korvel_*_*.deb | head -1)

install: build
	@cmake --install $(BUILD) $(if $(DESTDIR),,--prefix /usr/local)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(ASAN_RENDER_BUILD) $(FUZZ_BUILD) out
