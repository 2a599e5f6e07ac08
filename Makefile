# The two commands that matter: `make demo` and `make test`. See README.md.
JOBS ?= 2
BUILD ?= build
CMAKE_GEN := -G Ninja

PREFIX ?= /usr/local

.PHONY: all deps release demo install windows blender-addon test asan bench fuzz sdk-check format clean

all: release

deps:
	@scripts/install-deps.sh base

release: deps
	@cmake -S . -B $(BUILD)/release $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DMSH_BUILD_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)/release -j $(JOBS)

demo: release
	@scripts/demo.sh $(BUILD)/release

# bin/mshtool and lib/mshtool/ (plug-ins and host library) under PREFIX; the tree can be moved.
install: release
	@cmake --install $(BUILD)/release --prefix $(PREFIX)

# mshtool.exe, the plug-in DLLs and maxhost.dll, cross-built and packed with the README.
windows: deps
	@scripts/install-deps.sh windows
	@windows/package.sh $(BUILD)/windows dist/mshtool-windows-x64.zip

# The Blender add-on with mshtool for Linux x64 and Windows x64, for Blender's "Install add-on".
blender-addon: release windows
	@blender/package.sh $(BUILD) dist/io_scene_talvex_msh.zip

asan: deps
	@scripts/install-deps.sh windows gltf-tools
	@cmake -S . -B $(BUILD)/asan $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DMSH_SANITIZE=ON -DMSH_WERROR=ON >/dev/null
	@cmake --build $(BUILD)/asan -j $(JOBS)

test: asan
	@cd $(BUILD)/asan && ctest --output-on-failure -j $(JOBS)

bench: deps
	@scripts/install-deps.sh bench
	@cmake -S . -B $(BUILD)/bench $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Release -DMSH_BUILD_TESTS=OFF -DMSH_BUILD_BENCH=ON -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" >/dev/null
	@cmake --build $(BUILD)/bench -j $(JOBS)
	@scripts/bench.sh $(BUILD)/bench

fuzz: deps
	@scripts/fuzz.sh $(BUILD)/fuzz

# The plug-ins compiled and linked against real SDK copies under ${TMPDIR:-/tmp}/sdkcheck, if
# there are any (plugin/README.md); a clear skip otherwise. Not part of `make test`.
sdk-check:
	@scripts/install-deps.sh sdk-check
	@tools/sdk-check.sh

format:
	@git ls-files '*.h' '*.cpp' | xargs clang-format-14 -i

clean:
	rm -rf $(BUILD)
