# The two commands of the README, and a few more for developers.
.PHONY: run test bench package format deps

JOBS ?= $(shell nproc)

deps:
	scripts/install-deps

run: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)
	@test -e build/release/src/tavix.mdb || build/release/src/admin/tavix-admin init build/release/src/tavix.mdb
	TAVIX_CONFIG=/dev/null build/release/src/tavix

test: deps
	cmake --preset asan >/dev/null
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)
	ctest --preset fuzz -j $(JOBS)

bench: deps
	cmake --preset bench >/dev/null
	cmake --build --preset bench -j $(JOBS)
	@set -e; for b in build/bench/bench/bench_*; do echo "== $$b"; $$b; done

# The Debian package of the optimised build: build/release/tavix_<version>_<arch>.deb.
package: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)
	cd build/release && cpack -G DEB

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.hpp' | xargs clang-format -i
