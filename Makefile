# Front door of the project. Each target installs what is missing first (Debian 12, as root).
#   make test   build both builds (plug-in, workbench, tests); run every test of each under Wine;
#               build and run the native checked build (see check-native); check the release zip
#   make dist   the release zip dist/Puffshell-<version>.zip from both builds, and beside it the
#               baking command's dist/puffshell-<version>-win64.zip; needs only the packaging
#               tools (setup.sh packaging), not Wine
#   make demo   run the workbench (32-bit build where it runs) on its default scene; out/demo/
#   make bench  time the plug-in's redraws in the workbench; table and out/bench/summary.json
#   make check-native  the plug-in's and the workbench's windowless code built natively with clang
#               under AddressSanitizer and UndefinedBehaviorSanitizer (build/native), and its tests
#   make fuzz   each libFuzzer target (tests/fuzz/) for FUZZ_SECONDS seconds (default 60) under
#               AddressSanitizer and UndefinedBehaviorSanitizer (build/fuzz); one line per target
#   make baker  the baking command build/baker/puffshell: the plug-in's windowless code and the
#               workbench's host model and files, native and optimised (native/CMakeLists.txt)
#   make stress random host events, document edits and panel work on the real plug-in for a few
#               minutes, checked after every step, with Wine's heap checks; then the same on a
#               checked build (bounds and undefined-behaviour checks); STRESS_ARGS="--seed N
#               --steps N" replays a run

WIN64 := build/win64
WIN32 := build/win32
# The checked builds of the stress run (see PUFFSHELL_CHECKED in CMakeLists.txt): trees of their
# own, which neither make dist nor make test use.
WIN64_CHECKED := build/win64-checked
WIN32_CHECKED := build/win32-checked
# The checked run is slower: by default it gets half the release run's time (STRESS_ARGS given
# after it win).
CHECKED_STRESS_ARGS := --max-seconds 120
XVFB  := xvfb-run -a -s "-screen 0 1280x1024x24"
FUZZ_SECONDS ?= 60
# make test runs each fuzz target this long: a smoke that replays every seed and regression input.
FUZZ_SMOKE_SECONDS := 20

BAKER := build/baker

.PHONY: all setup build test check-native fuzz dist demo bench stress baker clean

all: build

setup:
	@./scripts/setup.sh

# configure DIR TOOLCHAIN ON|OFF: a build tree, with or without the tests and the workbench.
configure = cmake -S . -B $(1) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$(2).cmake \
	-DPUFFSHELL_BUILD_TESTS=$(3) -DPUFFSHELL_BUILD_WORKBENCH=$(3)
# A tree that make dist made without them gets them back.
without_tests = grep -q '^PUFFSHELL_BUILD_TESTS:BOOL=OFF' $(1)/CMakeCache.txt 2>/dev/null

$(WIN64)/build.ninja: | setup
	$(call configure,$(WIN64),x86_64,ON)

$(WIN32)/build.ninja: | setup
	$(call configure,$(WIN32),i686,ON)

# checked_configure DIR TOOLCHAIN: a checked tree, with the workbench and without the tests.
checked_configure = cmake -S . -B $(1) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$(2).cmake \
	-DPUFFSHELL_BUILD_TESTS=OFF -DPUFFSHELL_BUILD_WORKBENCH=ON -DPUFFSHELL_CHECKED=ON

$(WIN64_CHECKED)/build.ninja: | setup
	$(call checked_configure,$(WIN64_CHECKED),x86_64)

$(WIN32_CHECKED)/build.ninja: | setup
	$(call checked_configure,$(WIN32_CHECKED),i686)

build: setup $(WIN64)/build.ninja $(WIN32)/build.ninja
	@if $(call without_tests,$(WIN32)); then $(call configure,$(WIN32),i686,ON); fi
	@if $(call without_tests,$(WIN64)); then $(call configure,$(WIN64),x86_64,ON); fi
	cmake --build $(WIN32)
	cmake --build $(WIN64)

test: build baker
	./scripts/check-dll32.sh $(WIN32)/Puffshell.dll
	$(XVFB) ./scripts/run-tests.sh
	$(XVFB) ./scripts/check-dist.sh
	./scripts/fuzz.sh $(FUZZ_SMOKE_SECONDS)

fuzz: setup
	./scripts/fuzz.sh $(FUZZ_SECONDS)

check-native: setup
	./scripts/check-native.sh

$(BAKER)/build.ninja: | setup
	cmake -S native -B $(BAKER) -G Ninja -DPUFFSHELL_NATIVE_CHECKED=OFF -DPUFFSHELL_NATIVE_TESTS=OFF

baker: setup $(BAKER)/build.ninja
	cmake --build $(BAKER) --target puffshell

# The zips need the two DLLs and the 64-bit puffshell.exe only: trees that do not exist yet are made
# without the tests and the workbench, whose packages (Wine, GoogleTest, ...) packaging does not
# need.
dist:
	@./scripts/setup.sh packaging
	@[ -f $(WIN32)/build.ninja ] || $(call configure,$(WIN32),i686,OFF)
	@[ -f $(WIN64)/build.ninja ] || $(call configure,$(WIN64),x86_64,OFF)
	cmake --build $(WIN32) --target Puffshell
	cmake --build $(WIN64) --target Puffshell puffshell
	./scripts/make-dist.sh

# The demo runs the shipped 32-bit build where this machine runs 32-bit programs.
demo: build
	@if reason=$$(./scripts/win32-runs.sh); then build=$(WIN32); \
	 else build=$(WIN64); echo "demo: the 64-bit build, as the 32-bit one cannot run here: $$reason"; fi; \
	 echo "demo: running $$build/workbench.exe with $$build/Puffshell.dll"; \
	 $(XVFB) ./scripts/wine-run.sh $$build/workbench.exe --out out/demo

# The bench and the stress run are built on demand, not by make build: make test has no use for them.
bench: build baker
	cmake --build $(WIN32) --target workbench_bench
	cmake --build $(WIN64) --target workbench_bench
	./workbench/bench/run-bench.sh

# Each build's release run, then its checked run; the first failing run ends make.
stress: build $(WIN64_CHECKED)/build.ninja $(WIN32_CHECKED)/build.ninja
	cmake --build $(WIN32) --target workbench_stress
	cmake --build $(WIN64) --target workbench_stress
	cmake --build $(WIN32_CHECKED) --target workbench_stress
	cmake --build $(WIN64_CHECKED) --target workbench_stress
	@echo "stress: the 64-bit build"
	$(XVFB) ./scripts/stress-run.sh $(WIN64) $(STRESS_ARGS)
	@echo "stress: the checked 64-bit build"
	$(XVFB) ./scripts/stress-run.sh $(WIN64_CHECKED) $(CHECKED_STRESS_ARGS) $(STRESS_ARGS)
	@if reason=$$(./scripts/win32-runs.sh); then echo "stress: the 32-bit build"; \
	   $(XVFB) ./scripts/stress-run.sh $(WIN32) $(STRESS_ARGS) && \
	   echo "stress: the checked 32-bit build" && \
	   $(XVFB) ./scripts/stress-run.sh $(WIN32_CHECKED) $(CHECKED_STRESS_ARGS) $(STRESS_ARGS); \
	 else echo "stress: the 32-bit builds were not run: $$reason"; fi

clean:
	rm -rf build out dist
