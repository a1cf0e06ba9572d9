# The two commands of the README:
#   make run   installs what is missing, builds, starts the service and the panel
#   make test  installs what is missing, builds every target, runs every test
# Other targets: deps, build, native, asan, win64, win32, bench, bench-panel, bench-panel-day,
# bench-service-day, bench-eval-memory, bench-resources, bench-association, demo, dist, install,
# deb, image, model, model-replace, model-provenance, model-bench, real-bench, hand-bench,
# prior-tuning, format, clean.

BUILD ?= build
override BUILD := $(abspath $(BUILD))
THIRD_PARTY ?= $(BUILD)/third_party
JOBS ?= $(shell nproc)
CTEST_ARGS ?=
GENERATOR := Ninja
# When this make started, so that `make test` can say how long the build took.
START_TIME := $(shell date +%s)

# Character centre lines (npm's hanzi-writer-data) for stroke synthesis in tests and benchmarks.
HANZI_DATA := -DHANZI_WRITER_DATA_DIR=$(THIRD_PARTY)/node_modules/hanzi-writer-data

NATIVE := $(BUILD)/native
ASAN   := $(BUILD)/native-asan
WIN64  := $(BUILD)/win64
WIN32  := $(BUILD)/win32

.PHONY: run test deps build native asan win64 win32 bench bench-panel bench-panel-day \
	bench-service-day bench-eval-memory bench-resources bench-association demo dist \
	install deb image \
	model model-replace model-provenance model-bench real-bench hand-bench prior-tuning \
	format clean

run: deps native win64
	@tools/run-panel.sh "$(BUILD)"

test: deps build dist $(BUILD)/CTestTestfile.cmake
	@MAKE_START_TIME=$(START_TIME) tools/run-tests.sh "$(BUILD)" $(CTEST_ARGS)

deps: $(BUILD)/.deps-checked

# The script is quick when everything is there; re-run it whenever it changes.
$(BUILD)/.deps-checked: tools/install-dependencies.sh
	@THIRD_PARTY=$(THIRD_PARTY) tools/install-dependencies.sh "$(BUILD)"
	@touch $@

build: native asan win64 win32

# configure(dir, cmake arguments)
# A tree is configured again whenever its arguments change, so new settings reach old trees.
define configure
	@mkdir -p $(1); args='-G $(GENERATOR) $(strip $(2))'; \
	if [ ! -f $(1)/CMakeCache.txt ] || [ "$$(cat $(1).configure.args 2>/dev/null)" != "$$args" ]; then \
	  echo "[build] configuring $(1)"; \
	  cmake -S . -B $(1) $$args >$(1).configure.log 2>&1 || { cat $(1).configure.log; exit 1; }; \
	  echo "$$args" > $(1).configure.args; \
	fi
endef

native: deps
	$(call configure,$(NATIVE),-DCMAKE_BUILD_TYPE=RelWithDebInfo $(HANZI_DATA))
	@echo "[build] native"
	@cmake --build $(NATIVE) -j $(JOBS)

asan: deps native
	$(call configure,$(ASAN),-DCMAKE_BUILD_TYPE=Debug -DSANITIZE=ON -DTEST_PREFIX=asan/ $(HANZI_DATA))
	@echo "[build] native with AddressSanitizer and UndefinedBehaviorSanitizer"
	@cmake --build $(ASAN) -j $(JOBS)

WIN64_ARGS := -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-x86_64-w64-mingw32.cmake \
	  -DTHIRD_PARTY_PREFIX=$(THIRD_PARTY)/x86_64-w64-mingw32 \
	  -DCMAKE_CROSSCOMPILING_EMULATOR=$(CURDIR)/tests/win/harness/wine-run.sh \
	  -DNATIVE_BINARY_DIR=$(NATIVE) -DTEST_PREFIX=win64/

win64: deps native
	$(call configure,$(WIN64),$(WIN64_ARGS))
	@echo "[build] x86_64-w64-mingw32"
	@cmake --build $(WIN64) -j $(JOBS)

# The release tree; `make dist` configures it with the same arguments. Its tests run under the
# 32-bit-capable Wine of the Debian root that the dependency script makes (WoW64: the host's
# Wine runs 64-bit programs only), where the machine runs 32-bit code at all; elsewhere they
# are reported as skipped.
WINE_ROOT := $(BUILD)/wine-root
WIN32_ARGS := -DCMAKE_BUILD_TYPE=Release \
	  -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/toolchain-i686-w64-mingw32.cmake \
	  -DTHIRD_PARTY_PREFIX=$(THIRD_PARTY)/i686-w64-mingw32 -DNATIVE_BINARY_DIR=$(NATIVE)
WIN32_TEST_ARGS := -DCMAKE_CROSSCOMPILING_EMULATOR=$(CURDIR)/tests/win/harness/wine-run.sh \
	  -DTEST_PREFIX=win32/ -DWINE_ROOT=$(WINE_ROOT)

win32: deps native
	$(call configure,$(WIN32),$(WIN32_ARGS) $(WIN32_TEST_ARGS))
	@echo "[build] i686-w64-mingw32 (the release build; tested under the root's Wine)"
	@cmake --build $(WIN32) -j $(JOBS)

# One ctest run over every build's tests, so its summary is the last word of `make test`.
$(BUILD)/CTestTestfile.cmake: Makefile
	@mkdir -p $(BUILD)
	@printf 'subdirs("native-asan")\nsubdirs("native")\nsubdirs("win64")\nsubdirs("win32")\n' > $@

# Benchmarks print numbers (accuracy, latency, requests per second, memory); they judge nothing.
bench: native
	@cmake --build $(NATIVE) --target bench

# The panel under Wine against the service on port 80, written on with the mouse: latency from
# pen-up to the final candidates, and the panel's memory (a few minutes; BENCH_CHARACTERS=100).
bench-panel: native win64
	@flock -n /tmp/port80.lock true || echo "[bench-panel] waiting for /tmp/port80.lock (port 80)"
	@WINE_BUILD_DIR=$(WIN64) WINE_HARNESS_DIR=$(CURDIR)/tests/win/harness flock /tmp/port80.lock \
	  bash bench/panel_under_wine.sh $(WIN64)/app/HandwritingPanel.exe \
	  $(WIN64)/tests/win/TargetApp.exe $(WIN64)/tests/win/InspectWindows.exe \
	  $(NATIVE)/service/handwriting-service $(THIRD_PARTY)/node_modules/hanzi-writer-data

# A long day of each: 2000 characters on the panel under Wine, a row every 100 (about 70
# minutes); a million requests to the service with slow clients beside, a row every 100,000
# (about 10 to 30 minutes, by the machine).
bench-panel-day:
	@$(MAKE) --no-print-directory bench-panel BENCH_CHARACTERS=2000 BENCH_REPORT_EVERY=100

bench-service-day: native
	@cmake --build $(NATIVE) --target bench-service-day

# One copy of the service as the Kubernetes Deployment runs it, on one core, with slow clients:
# the figures behind its requests and limits (under a minute).
bench-resources: native
	@cmake --build $(NATIVE) --target bench-resources

# Working-set growth per script evaluation under Wine: the panel's evaluator beside the Script
# Control and the JScript engine driven directly (BENCH_EVALUATIONS=5000).
bench-eval-memory: win64
	@status=0; WINE_BUILD_DIR=$(WIN64) tests/win/harness/wine-run.sh \
	  $(WIN64)/bench/script_eval_memory.exe $(or $(BENCH_EVALUATIONS),5000) || status=$$?; \
	  WINE_BUILD_DIR=$(WIN64) bash tests/win/harness/session.sh stop >/dev/null || true; \
	  exit $$status

# Association on a text the table was not made from, the Chinese fortunes of Debian's
# fortunes-zh (for measuring only): how many characters could have been picked instead of
# written, the table's size and the time to fill the cells.
ASSOCIATION_TEXT ?= /usr/share/games/fortunes/chinese
bench-association: native
	@cmake --build $(NATIVE) --target association_bench
	@$(NATIVE)/bench/association_bench $(ASSOCIATION_TEXT) \
	  "$(ASSOCIATION_TEXT) (fortunes-zh $$(dpkg-query -W -f='$${Version}' fortunes-zh 2>/dev/null))"

# The end-to-end road on the test session's virtual display, filmed: an animated GIF and a sheet
# of the steps under $(BUILD)/demo.
demo: deps native win64
	@tools/make-demo.sh "$(BUILD)"

# The recognition model from its recipe (training/network-model.conf): hours on two cores
# (training/train-network-model.sh), so the result is kept in the repository
# (training/model/recognition-model.tar.xz) and every build unpacks it. `make model` makes a new
# one in $(BUILD)/model and leaves the repository's alone; an interrupted run goes on where it
# stopped. `make model-replace` then puts it in the repository's place, to commit with the
# recipe; `make model-provenance` says where the build's models came from.
TRAINED_MODEL := $(BUILD)/model/recognition-model.tar.xz
COMMITTED_MODEL := training/model/recognition-model.tar.xz

model: native
	@tools/install-training-dependencies.sh
	@cmake --build $(NATIVE) --target stream_plane_samples attach_network_prior model_provenance
	@training/train-network-model.sh $(NATIVE) $(dir $(TRAINED_MODEL))

# The archive is unpacked and read as the service reads it before it replaces the repository's.
model-replace: native
	@test -f $(TRAINED_MODEL) || { echo "[model] no model trained yet ($(TRAINED_MODEL) is" \
	  "missing): make model makes one (hours)" >&2; exit 1; }
	@cmake --build $(NATIVE) --target model_provenance
	@rm -rf $(BUILD)/model/check && mkdir -p $(BUILD)/model/check
	@tar -C $(BUILD)/model/check -xJf $(TRAINED_MODEL)
	@$(NATIVE)/training/model_provenance $(BUILD)/model/check/recognition.model
	@cp $(TRAINED_MODEL) $(COMMITTED_MODEL)
	@echo "[model] $(COMMITTED_MODEL) replaced; the build unpacks it. Commit it with the recipe:" \
	  "git add $(COMMITTED_MODEL)" >&2

model-provenance: native
	@cmake --build $(NATIVE) --target model_provenance
	@$(NATIVE)/training/model_provenance $(NATIVE)/model/recognition.model \
	  $(wildcard $(BUILD)/model/training/recognition.model)

# The model beside Debian's stock zinnia model on synthetic writing (about 15 minutes).
model-bench: native
	@cmake --build $(NATIVE) --target model-bench

# Real writers (research use only, never in the repository): every sample of REAL_DATA's .pot
# files, or REAL_WRITERS writers and REAL_SAMPLES samples of each for a quick run.
REAL_DATA ?= $(abspath $(CURDIR)/../shared/data/olhwdb1.0-dev)
real-bench: native
	@$(NATIVE)/bench/real_writers "$(REAL_DATA)" "$(REAL_MODEL)" \
	  /usr/lib/python3/dist-packages/jieba/dict.txt $(or $(REAL_WRITERS),0) $(or $(REAL_SAMPLES),0)

# How the real writers write beside the synthetic hands: strokes fewer than the standard count,
# corners and their sharpness, loops (for choosing a recipe's global settings). HAND_RECIPES:
# the recipes to compare; REAL_WRITERS, REAL_SAMPLES as above (all of them: a few minutes).
HAND_RECIPES ?= training/cursive-training.conf training/moving-hand-training.conf
hand-bench: native
	@$(NATIVE)/bench/hand_statistics $(THIRD_PARTY)/node_modules/hanzi-writer-data \
	  "$(REAL_DATA)" $(or $(REAL_WRITERS),0) $(or $(REAL_SAMPLES),0) $(HAND_RECIPES)

prior-tuning: native
	@cmake --build $(NATIVE) --target prior-tuning

# The zip and installer for Windows users: the i686 panel (the Script Control it needs is
# 32-bit), the x86_64 service with its model (tested under the host's Wine on every machine),
# and the i686 service that the installer puts in its place on 32-bit Windows.
# DIST_CMAKE_ARGS builds them for another service host, in a tree of their own.
DIST_CMAKE_ARGS ?=
DIST_TREE := $(if $(strip $(DIST_CMAKE_ARGS)),$(BUILD)/win32-dist,$(WIN32))

# (The i686 test tree is configured exactly as `make win32` does, so the two never reconfigure
# it back and forth.)
dist: deps native
	$(call configure,$(DIST_TREE),$(WIN32_ARGS) \
	  $(if $(strip $(DIST_CMAKE_ARGS)),$(DIST_CMAKE_ARGS),$(WIN32_TEST_ARGS)))
	@cmake --build $(DIST_TREE) -j $(JOBS) --target handwriting_panel handwriting-service
	$(call configure,$(WIN64),$(WIN64_ARGS))
	@cmake --build $(WIN64) -j $(JOBS) --target handwriting-service
	@tools/make-dist.sh $(DIST_TREE) $(BUILD)/dist $(NATIVE)/model/recognition.model $(WIN64)

# The recognition service as a Linux service: the program, its model, the systemd units and
# the nginx configuration under PREFIX (in DESTDIR when given); and its Debian package.
PREFIX ?= /usr/local
DESTDIR ?=
install: native
	@DESTDIR=$(DESTDIR) cmake --install $(NATIVE) --prefix $(PREFIX)

deb: native
	@tools/make-deb.sh $(NATIVE) $(BUILD)/deb

# The service as an OCI image (build/image/handwriting-service_<version>.oci.tar), from scratch:
# the program, its model and the Debian files it loads; its size and digest printed.
image: native
	@tools/make-image.sh $(NATIVE) $(BUILD)/image >/dev/null

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(NATIVE) $(ASAN) $(WIN64) $(WIN32) $(BUILD)/CTestTestfile.cmake
