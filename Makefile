# Front door of the project. Each target installs what is missing first (Debian 12, as root).
#   make test   build both plug-ins, the workbench and the tests; run every test under Wine
#   make demo   run the workbench on its default scene and write its pictures to out/demo/
#   make bench  time the plug-in's redraws in the workbench; table and out/bench/summary.json
#   make stress random host events, document edits and panel work on the real plug-in for a few
#               minutes, checked after every step; STRESS_ARGS="--seed N --steps N" replays a run

WIN64 := build/win64
WIN32 := build/win32
XVFB  := xvfb-run -a -s "-screen 0 1280x1024x24"

.PHONY: all setup build test demo bench stress clean

all: build

setup:
	@./scripts/setup.sh

$(WIN64)/build.ninja: | setup
	cmake -S . -B $(WIN64) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake

$(WIN32)/build.ninja: | setup
	cmake -S . -B $(WIN32) -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake \
	      -DPUFFSHELL_BUILD_TESTS=OFF

build: setup $(WIN64)/build.ninja $(WIN32)/build.ninja
	cmake --build $(WIN32)
	cmake --build $(WIN64)

test: build
	./scripts/check-dll32.sh $(WIN32)/Puffshell.dll
	$(XVFB) ./scripts/run-tests.sh

demo: build
	$(XVFB) ./scripts/wine-run.sh $(WIN64)/workbench.exe --out out/demo

bench: build
	./workbench/bench/run-bench.sh

stress: build
	$(XVFB) ./scripts/wine-run.sh $(WIN64)/workbench_stress.exe $(STRESS_ARGS)

clean:
	rm -rf build out
