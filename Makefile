# The two commands a newcomer needs: `make run` and `make test`. The CMake
# presets are the build; this file only strings the steps together.
SHELL := /bin/bash
WINE_PREFIX := build/wineprefix
BENCH_PREFIX := build/bench-wineprefix
WINE := /usr/lib/wine/wine64
RUN_DIR := build/run

.PHONY: deps win64 win32 native dist test run picture bench format format-check clean

deps:
	@tools/install-deps

win64: deps
	cmake --preset win64 >/dev/null
	cmake --build --preset win64

win32: deps
	cmake --preset win32 >/dev/null
	cmake --build --preset win32

native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native

# The release: zips of the ready-to-run toy and of the SDK, and installers,
# for both targets, in dist/.
dist: win64 win32
	tools/make-dist

test: win64 win32 native format-check dist
	ctest --preset native
	tools/with-wine $(WINE_PREFIX) ctest --preset win64

# `make picture` is `make run` that also keeps the part of the screenshot
# around the creature as the README's picture.
run picture: win64
	rm -rf $(RUN_DIR)
	cmake --install build/win64 --prefix $(RUN_DIR) >/dev/null
	tools/with-wine $(WINE_PREFIX) tools/run-toy $(RUN_DIR) $(if $(filter picture,$@),docs/pillowmoor.png)

# Start-up, the installation pass and the living toy run under Wine in a
# prefix of their own, so that the registry the host fills there never meets
# the tests' one. The living toy runs from a scratch install, BENCH_TOY_DIR.
BENCH_TOY_DIR := build/bench-toy
bench: win64
	cmake --preset bench >/dev/null
	cmake --build --preset bench --target package_bench
	rm -rf $(BENCH_TOY_DIR)
	cmake --install build/win64 --prefix $(BENCH_TOY_DIR) >/dev/null
	tools/with-wine $(BENCH_PREFIX) bash -c '$(WINE) build/win64/bin/startup_bench.exe && $(WINE) build/win64/bin/install_bench.exe && $(WINE) build/win64/bin/install_memory.exe 1 && $(WINE) build/win64/bin/install_memory.exe 64 && bench/living-toy $(BENCH_TOY_DIR) build/win64/bin/floor_window.exe'
	build/bench/bin/package_bench

format:
	clang-format -i $$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' '*.c')

format-check: deps
	clang-format --dry-run --Werror $$(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' '*.c')

clean:
	rm -rf build dist
